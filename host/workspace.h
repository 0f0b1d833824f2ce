#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <QVariantMap>

// What the host restores on start: the main window and the open documents.
struct WorkspaceDocument
{
    enum class WindowState { Normal, Maximized, Minimized };

    bool operator==(const WorkspaceDocument &other) const
    {
        return templateId == other.templateId && title == other.title
            && geometry == other.geometry && state == other.state
            && linkGroup == other.linkGroup && properties == other.properties;
    }

    QByteArray templateId;
    QString title;
    QRect geometry;     // the sub-window in the document area, as when not maximized; null: tiled
    WindowState state = WindowState::Normal;
    int linkGroup = 0;  // 0: not linked
    QVariantMap properties;  // the document object's JSON form (ShellObject::objectToJson())
};

struct Workspace
{
    bool isEmpty() const { return documents.isEmpty() && windowGeometry.isEmpty(); }

    QByteArray windowGeometry;  // QMainWindow::saveGeometry()
    QByteArray windowState;     // QMainWindow::saveState(): docks and tool bars
    QList<WorkspaceDocument> documents;  // in stacking order, bottom first
    int activeDocument = -1;    // index into documents, -1: none
};
