// The updater's run at a start where nothing changed: 200 secured bundles of 512 kB, every one
// current, against its floor, reading each file once and computing its MD5 and SHA-256. Prints
// both and the ratio.
#include <updater/encryptedcontentrequest.h>
#include <updater/securedbundleupdater.h>
#include <updater/tesselupdater.h>

#include <application.h>
#include <logservice.h>
#include <testbackend.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int BundleCount = 200;
constexpr int BundleSize = 512 * 1024;

struct Fixture
{
    Fixture()
    {
        QJsonArray plugins;
        QRandomGenerator random(11);
        for (int i = 0; i < BundleCount; ++i) {
            QByteArray bytes(BundleSize, Qt::Uninitialized);
            for (char &c : bytes)
                c = char(random.bounded(256));
            const QString name = QStringLiteral("plugin%1.wps").arg(i);
            QFile file(dir.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            files.append(file.fileName());
            const QJsonObject update{
                {"filename", name},
                {"md5", QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex())},
                {"sha256", QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())},
                {"versionFrom", "*"},
                {"versionTo", "*"}};
            plugins.append(QJsonObject{{"filename", name}, {"updates", QJsonArray{update}}});
        }
        table = QJsonDocument(QJsonObject{{"updateServer", "http://127.0.0.1:9/"}, {"plugins", plugins}}).toJson();
    }
    QTemporaryDir dir;
    QStringList files;
    QByteArray table;
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void BM_Floor(benchmark::State &state)
{
    for (auto _ : state) {
        for (const QString &name : fixture().files) {
            QFile file(name);
            file.open(QIODevice::ReadOnly);
            const QByteArray bytes = file.readAll();
            benchmark::DoNotOptimize(QCryptographicHash::hash(bytes, QCryptographicHash::Md5));
            benchmark::DoNotOptimize(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
        }
    }
}

void BM_Updater(benchmark::State &state)
{
    FeedApi::TestBackend backend;
    QObject::connect(&backend, &FeedApi::TestBackend::requestStarted, [&](FeedApi::Requester *requester) {
        const auto *request = requester->requestAs<Tessel::Updater::EncryptedContentRequest>();
        backend.respond(requester, request->makeResponse(fixture().table));
    });
    for (auto _ : state) {
        Tessel::Updater::TesselUpdater updater(fixture().dir.path());
        QEventLoop loop;
        QObject::connect(&updater, &Tessel::Updater::TesselUpdater::finished, &loop, &QEventLoop::quit);
        updater.start();
        loop.exec();
        if (updater.count(Tessel::Updater::SecuredBundleUpdater::Kept) != BundleCount)
            state.SkipWithError("not every bundle was kept");
    }
}

BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Updater)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The updater's progress lines are not what is measured.
    QuorvexServiceApi()->setSink([](const HostApi::LogEntry &) {});
    Application::instance()->setCurrentVersion(QStringLiteral("2.5.10.3"));
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(RatioReporter::RealTime);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double floor = reporter.time("BM_Floor");
    const double run = reporter.time("BM_Updater");
    std::printf("%d current bundles of %d kB: floor %.2f ms, updater %.2f ms, ratio %.2fx\n",
                BundleCount, BundleSize / 1024, floor, run, floor > 0 ? run / floor : 0.0);
    return 0;
}
