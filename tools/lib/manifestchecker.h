#pragma once

#include "lintwarning.h"

#include <ioutputchannel.h>
#include <interactiveobject.h>

#include <QList>
#include <QStringList>

#include <memory>

struct HeaderControlSpec;
struct PropertyPageSpec;
struct ScriptPluginSpec;
class ScriptPropertyContainer;

// What the host meets only once it uses a manifest it has read: an entry page that is not in
// the bundle or differs in case from its file, icons named but not there, property pages and
// header controls it cannot build, pages that load the page-side library without jQuery, an
// API it does not offer. Pages are built as a document's property dialog builds them, over a
// throw-away document object holding the plug-in's property tree; their output lines become
// warnings.
class ManifestChecker
{
public:
    // fileNames: the bundle-relative names of every file of the bundle.
    ManifestChecker(const ScriptPluginSpec &spec, const QStringList &fileNames);
    ~ManifestChecker();

    QList<LintWarning> check();

    // The bundle-relative file name of the entry page, or an empty text when the entry does
    // not point into the bundle. A query or fragment is not part of the file name.
    static QString entryFile(const ScriptPluginSpec &spec);

private:
    // Keeps the plug-in output lines of what the host builds, without their line feeds.
    class CollectingChannel : public HostApi::IOutputChannel
    {
    public:
        void append(const QString &text) override { m_lines.append(text.trimmed()); }
        QStringList takeLines();

    private:
        QStringList m_lines;
    };

    void warn(const QString &keyPath, const QString &text, const QString &file = QString());
    void warnHostLines(const QString &keyPath);
    void checkEntry();
    void checkIcon(const QString &keyPath, const QString &name);
    void checkPage(const PropertyPageSpec &page);
    void checkHeaderControl(int index, const HeaderControlSpec &control);
    void checkPageScripts(const QString &page);

    const ScriptPluginSpec &m_spec;
    const QStringList m_fileNames;
    QList<LintWarning> m_warnings;
    CollectingChannel m_hostLines;
    InteractiveObject m_document;
    std::unique_ptr<ScriptPropertyContainer> m_objects;
};
