// Paints the editor's icon, a page of text caught in a thorn branch with a rosebud, at the sizes
// given on the command line: paint-icon OUT_DIR 32 128 writes OUT_DIR/thornvale-32.png and
// OUT_DIR/thornvale-128.png. The PNGs are committed; run this only to change the artwork.

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

namespace {

// The artwork is drawn on a 128 x 128 canvas and scaled, so every size shows the same picture.
void paint(QPainter& p) {
  QLinearGradient ground(0, 0, 0, 128);
  ground.setColorAt(0, QColor(0x2e, 0x6b, 0x45));
  ground.setColorAt(1, QColor(0x12, 0x36, 0x22));
  p.fillRect(QRectF(0, 0, 128, 128), ground);

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
  if (argc < 3) {
    std::fprintf(stderr, "usage: paint-icon OUT_DIR SIZE...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    // Opaque 24-bit colour, as the window icon asks for.
    QImage image(size, size, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0);
    paint(p);
    p.end();
    const QString out = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/thornvale-%1.png").arg(size);
    if (!image.save(out)) {
      std::fprintf(stderr, "paint-icon: cannot write %s\n", qPrintable(out));
      return 1;
    }
  }
  return 0;
}
