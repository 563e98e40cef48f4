// Paints the editor's icon, a page of text caught in a thorn branch with a rosebud, on a tile
// with rounded, transparent corners: paint-icon OUT_DIR [SIZE...] writes OUT_DIR/thornvale-SIZE.png
// for each size, by default 16, 32, 48, 64, 128 and 256 pixels. The PNGs are committed; run this
// only to change the artwork.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QTransform>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The artwork is drawn on a 128 x 128 canvas and scaled, so every size shows the same picture.
void paint(QPainter& p) {
  // Everything outside the tile stays transparent, so the icon sits on any panel or dock. The
  // rest is drawn atop the tile only: a clip path would leave its corners jagged.
  QLinearGradient ground(0, 0, 0, 128);
  ground.setColorAt(0, QColor(0x2e, 0x6b, 0x45));
  ground.setColorAt(1, QColor(0x12, 0x36, 0x22));
  p.setPen(Qt::NoPen);
  p.setBrush(ground);
  p.drawRoundedRect(QRectF(2, 2, 124, 124), 22, 22);
  p.setCompositionMode(QPainter::CompositionMode_SourceAtop);

  // The page, tilted a little, with four lines of writing.
  p.save();
  p.translate(62, 62);
  p.rotate(-8);
  p.setPen(QPen(QColor(0x5c, 0x3d, 0x22), 4));
  p.setBrush(QColor(0xf4, 0xe7, 0xc5));
  p.drawRoundedRect(QRectF(-34, -46, 68, 92), 6, 6);
  p.setPen(QPen(QColor(0x7a, 0x55, 0x33), 6, Qt::SolidLine, Qt::RoundCap));
  for (int line = 0; line < 4; ++line) {
    const qreal y = -28 + line * 17;
    p.drawLine(QPointF(-22, y), QPointF(line == 3 ? 4 : 22, y));
  }
  p.restore();

  // The thorn branch, from the bottom left corner up across the page.
  QPainterPath branch(QPointF(6, 122));
  branch.cubicTo(QPointF(40, 92), QPointF(70, 108), QPointF(98, 46));
  const QColor bark(0x4a, 0x22, 0x14);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(bark, 8, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(branch);

  p.setPen(Qt::NoPen);
  p.setBrush(bark);
  const qreal thornsAt[] = {0.18, 0.36, 0.54, 0.72};
  for (int i = 0; i < 4; ++i) {
    const qreal t = thornsAt[i];
    const QPointF at = branch.pointAtPercent(t);
    const qreal side = i % 2 == 0 ? 90 : -90;
    QTransform turn;
    turn.translate(at.x(), at.y());
    turn.rotate(-branch.angleAtPercent(t) + side);
    p.drawPolygon(turn.map(QPolygonF({QPointF(0, -5), QPointF(14, 0), QPointF(0, 5)})));
  }

  // A leaf and the rosebud at the branch's tip.
  p.setBrush(QColor(0x74, 0xb3, 0x4c));
  p.save();
  p.translate(40, 98);
  p.rotate(-35);
  p.drawEllipse(QRectF(-14, -6, 28, 12));
  p.restore();

  p.setBrush(QColor(0xc4, 0x24, 0x38));
  p.drawEllipse(QPointF(102, 36), 17, 17);
  p.setPen(QPen(QColor(0x7c, 0x10, 0x20), 4, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(92, 26, 20, 20), 40 * 16, 250 * 16);
  p.drawArc(QRectF(97, 31, 10, 10), 220 * 16, 230 * 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: paint-icon OUT_DIR [SIZE...]\n");
    return 2;
  }
  std::vector<int> sizes{16, 32, 48, 64, 128, 256};
  if (argc > 2) {
    sizes.clear();
    for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  }
  for (const int size : sizes) {
    if (size < 1 || size > 1024) {
      std::fprintf(stderr, "paint-icon: no icon of %d pixels\n", size);
      return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0);
    paint(p);
    p.end();
    const QString out = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/thornvale-%1.png").arg(size);
    if (!image.convertToFormat(QImage::Format_ARGB32).save(out)) {
      std::fprintf(stderr, "paint-icon: cannot write %s\n", qPrintable(out));
      return 1;
    }
  }
  return 0;
}
