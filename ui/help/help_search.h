// Searching the help pages for words. A page matches when its text holds
// every word of the query; letter case and diacritics are ignored, so
// "zaloha" finds "Záloha". GUI thread or any one thread.
#pragma once

#include <QList>
#include <QString>

namespace zv::ui {

struct HelpHit {
    QString page;  // file name within the help directory
    QString title; // the page's <title>
};

// The text with letters in lower case and without diacritics.
QString foldedText(const QString& text);

// The plain text of an HTML page (tags dropped, entities read).
QString pageText(const QString& html);
// The page's <title>, or "" when it has none.
QString pageTitle(const QString& html);

// The pages of the directory (*.html) that hold every word of the query,
// ordered by title. An empty query finds nothing.
QList<HelpHit> searchPages(const QString& directory, const QString& query);

} // namespace zv::ui
