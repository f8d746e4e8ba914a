// Renders the program's SVG icon into the PNG sizes of the hicolor icon theme,
// for desktops that do not draw SVG icons themselves.
// Usage: makeicons SVG DIR SIZE... (writes DIR/<SIZE>x<SIZE>/apps/de.tonlaterne.Tonlaterne.png)
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s SVG DIR SIZE...\n", argv[0]);
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "makeicons: cannot read %s\n", argv[1]);
        return 1;
    }
    const QDir dir(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "makeicons: %s is no size\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        QImage png(size, size, QImage::Format_ARGB32_Premultiplied);
        png.fill(Qt::transparent);
        QPainter painter(&png);
        svg.render(&painter);
        painter.end();
        if (!dir.mkpath(folder) ||
            !png.save(dir.filePath(folder + QStringLiteral("/de.tonlaterne.Tonlaterne.png")))) {
            std::fprintf(stderr, "makeicons: cannot write the %s pixel icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
