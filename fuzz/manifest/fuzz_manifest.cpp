// The manifest reader on arbitrary bytes, read as the plugin.spec of an in-memory bundle that
// also holds a few icon files (good, themed, state-only and corrupt), so icon lookups that a
// fuzzed manifest names reach the image decoder. Seeds: tests/plugin_spec/data/*/plugin.spec;
// manifest.dict holds the manifest's keys and values.
#include <bundle/scriptbundle.h>
#include <plugin/scriptpluginspec.h>

#include <ioutputchannel.h>
#include <logservice.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QMap>

#include <cstddef>
#include <cstdint>

namespace {

class MemoryBundle : public ScriptBundle
{
public:
    MemoryBundle() : ScriptBundle(QStringLiteral("/fuzz")) {}

    bool exists(const QString &name) const override
    {
        return files.contains(relativeName(name));
    }
    QByteArray read(const QString &name) const override
    {
        return files.value(relativeName(name));
    }

    QMap<QString, QByteArray> files;
};

class DiscardingChannel : public HostApi::IOutputChannel
{
public:
    void append(const QString &) override {}
};

QByteArray png(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

MemoryBundle *bundle;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    // Refusals go to the diagnostic log and the parser's warnings to Qt's message output;
    // writing each one would slow the fuzzer down.
    QuorvexServiceApi()->setSink([](const HostApi::LogEntry &) {});
    qInstallMessageHandler(quiet);
    bundle = new MemoryBundle;
    bundle->files.insert(QStringLiteral("a.png"), png(16));
    bundle->files.insert(QStringLiteral("a.black.png"), png(32));
    bundle->files.insert(QStringLiteral("img/b.active.png"), png(8));
    bundle->files.insert(QStringLiteral("c.png"), QByteArray("\x89PNG\r\n\x1a\n junk"));
    bundle->files.insert(QStringLiteral("index.html"), QByteArray("<html></html>"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    bundle->files.insert(QStringLiteral("plugin.spec"),
                         QByteArray(reinterpret_cast<const char *>(data), int(size)));
    DiscardingChannel channel;
    const ScriptPluginSpec spec = ScriptPluginSpec::read(
        bundle, QStringLiteral("plugin.spec"), QStringLiteral("black"), QStringLiteral("en_US"),
        &channel);
    for (auto it = spec.icons.cbegin(); it != spec.icons.cend(); ++it)
        it.value().availableSizes();
    return 0;
}
