#include "marketfixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QUuid>
#include <QtTest>

QString makeStore(const QString &dir, quint32 seed, const QDate &day)
{
    const QString fileName = QDir(dir).filePath(QStringLiteral("market.sqlite"));
    QString error;
    const bool made = FeedApi::Market::MarketStore::create(fileName, seed, day, &error);
    QTest::qVerify(made, "MarketStore::create", qPrintable(error), __FILE__, __LINE__);
    return fileName;
}

QByteArray tableChecksum(const QString &fileName)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(fileName);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QTest::qVerify(db.open(), "db.open()", qPrintable(fileName), __FILE__, __LINE__);
        QStringList statements{QStringLiteral("PRAGMA user_version")};
        for (const QString &table : db.tables())
            statements << QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2").arg(table);
        QSqlQuery query(db);
        for (const QString &statement : statements) {
            QTest::qVerify(query.exec(statement), "query.exec()", qPrintable(statement), __FILE__, __LINE__);
            hash.addData(statement.toUtf8());
            while (query.next()) {
                QStringList values;
                for (int i = 0; i < query.record().count(); ++i)
                    values << query.value(i).toString();
                hash.addData(values.join(QLatin1Char('|')).toUtf8() + '\n');
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return hash.result().toHex();
}
