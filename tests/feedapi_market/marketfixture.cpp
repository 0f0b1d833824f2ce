#include "marketfixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUuid>
#include <QtTest>

#include <functional>

namespace {

// Runs read with a connection of its own to fileName, removed afterwards.
void withDatabase(const QString &fileName, const std::function<void(QSqlDatabase &)> &read)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(fileName);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QVERIFY(db.open());
        read(db);
    }
    QSqlDatabase::removeDatabase(name);
}

void addRows(QSqlQuery &query, QCryptographicHash &hash)
{
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << query.value(i).toString();
        hash.addData(values.join(QLatin1Char('|')).toUtf8() + '\n');
    }
}

} // namespace

QString makeStore(const QString &dir, quint32 seed, const QDate &day)
{
    const QString fileName = QDir(dir).filePath(QStringLiteral("market.sqlite"));
    QString error;
    if (!FeedApi::Market::MarketStore::create(fileName, seed, day, &error))
        qWarning("makeStore: %s", qPrintable(error));
    return fileName;
}

QByteArray tableChecksum(const QString &fileName)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    withDatabase(fileName, [&hash](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("PRAGMA user_version"));
        addRows(query, hash);
        for (const QString &table : db.tables()) {
            hash.addData(table.toUtf8());
            QVERIFY(query.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(table)));
            addRows(query, hash);
        }
    });
    return hash.result().toHex();
}

QByteArray barChecksum(const QString &fileName, const QList<QByteArray> &symbols)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    withDatabase(fileName, [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        for (const QByteArray &symbol : symbols) {
            query.prepare(QStringLiteral("SELECT b.day, b.open, b.high, b.low, b.close, b.volume FROM bar b JOIN instrument i ON i.id = b.instrument "
                                         "WHERE i.symbol = ? ORDER BY b.day"));
            query.addBindValue(QString::fromUtf8(symbol));
            QVERIFY(query.exec());
            hash.addData(symbol);
            addRows(query, hash);
        }
    });
    return hash.result().toHex();
}
