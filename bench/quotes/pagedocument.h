#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

class Document;
class ScriptDocument;
class ScriptPlugin;

// One open script document whose page is the given HTML: a plug-in made for the benchmark
// in a temporary data folder, loaded by the module as a host loads it, its page loaded.
class PageDocument
{
public:
    explicit PageDocument(const QByteArray &html);
    ~PageDocument();
    PageDocument(const PageDocument &) = delete;
    PageDocument &operator=(const PageDocument &) = delete;

    // False when the page did not load; the reason is printed.
    bool isLoaded() const { return m_loaded; }
    ScriptDocument *script() const { return m_script; }
    QString dataFolder() const { return m_data.path(); }

    // Runs code in the page and gives its value.
    QVariant eval(const QString &code) const;
    // Runs the event loop until condition (page code) is true; false after timeoutMs.
    bool waitFor(const QString &condition, int timeoutMs) const;

private:
    QTemporaryDir m_data;
    std::unique_ptr<ScriptPlugin> m_plugin;
    std::unique_ptr<Document> m_document;
    ScriptDocument *m_script = nullptr;
    bool m_loaded = false;
};
