#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Host features turned on for one run (--feature): each feature's setting "features/NAME" is
// true while this object lives and is put back as it was, or removed, when it goes.
class RunFeatures
{
public:
    explicit RunFeatures(const QStringList &names);
    ~RunFeatures();

private:
    Q_DISABLE_COPY(RunFeatures)

    struct Saved
    {
        QString key;
        QVariant value;  // invalid: the setting was not there
    };

    QList<Saved> m_saved;
};
