// Writes the program's own icon as the PNG files of the desktop's icon theme:
// DIR/NxN/apps/zevlon.png for every size given. Run at build time.
//   icon_writer DIR SIZE...
#include "ui/window/icons.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: icon_writer DIR SIZE...\n", stderr);
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 8 || size > 1024) {
            std::fprintf(stderr, "icon_writer: bad size %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString file = dir + QStringLiteral("/zevlon.png");
        if (!QDir().mkpath(dir) ||
            !zv::ui::iconPixmap(zv::ui::IconKind::Program, size).save(file, "PNG")) {
            std::fprintf(stderr, "icon_writer: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
