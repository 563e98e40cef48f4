#include "ui/qt/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

namespace thornvale {

Twips::Twips(const QScreen* screen) {
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  dpiX_ = screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
  dpiY_ = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
}

int Twips::x(int twips) const { return qRound(twips * dpiX_ / 1440.0); }

int Twips::y(int twips) const { return qRound(twips * dpiY_ / 1440.0); }

}  // namespace thornvale
