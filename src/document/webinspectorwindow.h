#pragma once

#include <dialog.h>

class QStyle;
class QWebInspector;
class QWebPage;

// The tool window showing the web inspector of one page. All documents share its stored
// geometry ("globalWebInspectorGeometry").
class WebInspectorWindow : public HostApi::Dialog
{
    Q_OBJECT

public:
    // The page and the style are not owned; style may be null.
    WebInspectorWindow(QWebPage *page, QStyle *style);

    QWebInspector *inspector() const { return m_inspector; }

private:
    QWebInspector *m_inspector;
};
