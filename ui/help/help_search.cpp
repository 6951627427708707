#include "ui/help/help_search.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocument>

#include <algorithm>

namespace zv::ui {
namespace {

QString readPage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

QString foldedText(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing) out += c.toLower();
    return out;
}

QString pageText(const QString& html) {
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

QString pageTitle(const QString& html) {
    static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    const auto m = title.match(html);
    return m.hasMatch() ? pageText(m.captured(1)).simplified() : QString();
}

QList<HelpHit> searchPages(const QString& directory, const QString& query) {
    const QStringList words = foldedText(query).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<HelpHit> hits;
    if (words.isEmpty()) return hits;
    const QDir dir(directory);
    for (const QString& name : dir.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        const QString html = readPage(dir.filePath(name));
        const QString text = foldedText(pageTitle(html) + QLatin1Char('\n') + pageText(html));
        const bool all =
            std::ranges::all_of(words, [&](const QString& w) { return text.contains(w); });
        if (all) hits.append({name, pageTitle(html)});
    }
    std::ranges::sort(hits, [](const HelpHit& a, const HelpHit& b) {
        return QString::localeAwareCompare(a.title, b.title) < 0;
    });
    return hits;
}

} // namespace zv::ui
