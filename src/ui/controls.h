#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QRect>
#include <QString>

class QPushButton;

namespace quantaline {

// Window layouts are laid down in twips; 15 twips are one device-independent pixel.
QRect twips_rect(int left, int top, int width, int height);

// "MS Sans Serif" where the system has it, otherwise a sans-serif face of the same
// widths, at the given point size. Every attribute is set, so nothing is inherited from a frame's
// bold caption font.
QFont ui_font(double points, bool bold, bool underline = false);
inline QFont default_font() {
    return ui_font(8.25, false);
}

// A label with a one-pixel border drawn in its own colour, so that a green or black
// text does not recolour the border, and neighbouring cells that overlap by one pixel
// share a single line.
class BorderedLabel : public QLabel {
    Q_OBJECT
  public:
    explicit BorderedLabel(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

void set_text_colour(QWidget& widget, const QColor& colour);
void set_background(QWidget& widget, const QColor& colour);
// A widget's current value as its tooltip, told to assistive technology as it changes.
void announce_value(QWidget& widget, const QString& text);

QLabel* add_label(QWidget* parent, const QString& name, const QString& text, const QRect& rect,
                  const QFont& font);
BorderedLabel* add_bordered_label(QWidget* parent, const QString& name, const QString& text,
                                  const QRect& rect, const QFont& font);
QPushButton* add_button(QWidget* parent, const QString& name, const QString& text,
                        const QRect& rect);

} // namespace quantaline

namespace quantaline {

// A label that acts as a link: a click anywhere on it, with the pointing hand over it.
class LinkLabel : public QLabel {
    Q_OBJECT
  public:
    explicit LinkLabel(QWidget* parent = nullptr);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

LinkLabel* add_link_label(QWidget* parent, const QString& name, const QString& text,
                          const QRect& rect, const QFont& font);

} // namespace quantaline
