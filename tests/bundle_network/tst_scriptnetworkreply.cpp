#include <bundle/scriptnetworkreply.h>

#include <QtTest>

namespace {

const QUrl FileUrl(QStringLiteral("file:///bundle/index.html"));

} // namespace

class tst_ScriptNetworkReply : public QObject
{
    Q_OBJECT

private slots:
    void deliveryOrder_data();
    void deliveryOrder();
    void readInChunks_data();
    void readInChunks();
};

void tst_ScriptNetworkReply::deliveryOrder_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArrayLiteral("<html></html>");
}

// Nothing is emitted before the event loop turns; the headers are in place when readyRead()
// comes; an empty file is a successful reply too.
void tst_ScriptNetworkReply::deliveryOrder()
{
    QFETCH(QByteArray, content);

    ScriptNetworkReply reply{QNetworkRequest(FileUrl), content};
    QStringList events;
    connect(&reply, &QNetworkReply::metaDataChanged, [&]() { events << "metaDataChanged"; });
    connect(&reply, &QNetworkReply::readyRead, [&]() {
        events << QStringLiteral("readyRead %1 of %2")
                      .arg(reply.bytesAvailable())
                      .arg(reply.header(QNetworkRequest::ContentLengthHeader).toLongLong());
    });
    connect(&reply, &QNetworkReply::finished, [&]() { events << "finished"; });
    connect(&reply, &QNetworkReply::errorOccurred, [&]() { events << "error"; });
    QVERIFY(events.isEmpty());
    QVERIFY(!reply.isFinished());

    QTRY_VERIFY(reply.isFinished());
    const QString ready = QStringLiteral("readyRead %1 of %1").arg(content.size());
    QCOMPARE(events, QStringList({"metaDataChanged", ready, "finished"}));
    QCOMPARE(reply.error(), QNetworkReply::NoError);
    QCOMPARE(reply.readAll(), content);
}

void tst_ScriptNetworkReply::readInChunks_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("chunk");

    QTest::newRow("empty") << 0 << 16;
    QTest::newRow("one-byte-chunks") << 100 << 1;
    QTest::newRow("chunk-equals-size") << 64 << 64;
    QTest::newRow("chunk-one-less") << 64 << 63;
    QTest::newRow("large-file") << 300000 << 16384;
}

// The content comes back exactly once, in any chunk size, and then reading gives -1.
void tst_ScriptNetworkReply::readInChunks()
{
    QFETCH(int, size);
    QFETCH(int, chunk);

    const QByteArray content =
        QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(size / 26 + 1).left(size);
    ScriptNetworkReply reply{QNetworkRequest(FileUrl), content};
    QSignalSpy finished(&reply, &QNetworkReply::finished);
    QVERIFY(finished.wait());

    QByteArray received;
    QByteArray buffer(chunk, Qt::Uninitialized);
    qint64 count = 0;
    while ((count = reply.read(buffer.data(), chunk)) > 0) {
        QCOMPARE(reply.bytesAvailable(), qint64(size - received.size() - count));
        received.append(buffer.constData(), int(count));
    }
    QCOMPARE(count, qint64(-1));
    QCOMPARE(received, content);
    QCOMPARE(reply.bytesAvailable(), qint64(0));
    QCOMPARE(reply.read(buffer.data(), chunk), qint64(-1));
}

QTEST_MAIN(tst_ScriptNetworkReply)
#include "tst_scriptnetworkreply.moc"
