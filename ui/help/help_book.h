// The help of the program's windows. A window's topic is found from the
// widget that asks (its focus widget, its "Help" button) up through its
// parents: the first that names a topic the book has a page for, by the
// property "helpTopic" (a help keyword set by setHelpTopic), its object name
// (the procedure, "EXPORT_W") or the settings section its place is kept in
// (restoreWindowState, "Adresar_S"). A window without a topic gets the
// contents page.
//
// Once installed, F1 in any window of the application opens the help of that
// window, and every push button captioned "Help" or "&Help" is enabled and
// opens the help of its window. Called from a modal dialog, the help window
// shows as modal itself, so it can be read and closed before the dialog goes
// on. GUI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

namespace zv::ui {

class HelpWindow;

// Names the help keyword of a window (or of any widget inside it).
void setHelpTopic(QWidget& widget, const QString& topic);

class HelpBook : public QObject {
public:
    // pageOf gives the file name of a topic's page, "" when it has none.
    HelpBook(QString directory, std::function<QString(const QString& topic)> pageOf,
             QString contentsPage, QString howToPage, QObject* parent = nullptr);
    ~HelpBook() override;
    HelpBook(const HelpBook&) = delete;
    HelpBook& operator=(const HelpBook&) = delete;

    // Gives F1 and the "Help" buttons to every window of the application.
    void install();

    // The topic of the window the widget is in; "" when it has none.
    QString topicOf(const QWidget* widget) const;

    // Opens the help window at the page of the widget's window.
    void showFor(const QWidget* widget);
    void showTopic(const QString& topic);
    void showContents();
    void showHowTo();
    // Opens the help window with the cursor in "Hledat:".
    void showSearch();

    const QString& directory() const { return directory_; }
    // The help window; null until help was first shown.
    HelpWindow* window() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPage(const QString& page);
    HelpWindow& present();
    void adopt(QWidget& button);

    QString directory_;
    std::function<QString(const QString&)> pageOf_;
    QString contents_;
    QString howTo_;
    QPointer<HelpWindow> window_; // top level, owned here
};

} // namespace zv::ui
