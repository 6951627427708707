// The help window: the pages of the help directory in a text browser with
// links, "Zpět" and "Vpřed" through the pages seen, "Obsah" for the contents
// page, and "Hledat:" that lists the pages holding the words typed (letter
// case and diacritics ignored) and marks the first place on the page chosen.
// GUI thread only.
#pragma once

#include <QMainWindow>

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace zv::ui {

class HelpWindow : public QMainWindow {
public:
    // directory: where the pages are; contents: the file name of the contents page.
    HelpWindow(QString directory, QString contents, QWidget* parent = nullptr);

    // Shows a page by its file name ("adresar_s.html", "index.html#tisk").
    // A page that is not there is named in a short text instead.
    void showPage(const QString& page);
    // The file name of the page shown ("" for none).
    QString currentPage() const;

    // Lists the pages that hold every word of the query; returns their number.
    int search(const QString& query);
    // Puts the cursor into "Hledat:".
    void focusSearch();

    QTextBrowser* browser() const { return browser_; }
    QLineEdit* searchField() const { return searchField_; }
    QListWidget* results() const { return results_; }
    const QString& directory() const { return directory_; }

private:
    void openHit(int row);
    void pageChanged();

    QString directory_;
    QString contents_;
    QString query_; // the words of the last search, marked on the pages opened from its list
    QTextBrowser* browser_;
    QLineEdit* searchField_;
    QListWidget* results_;
};

} // namespace zv::ui
