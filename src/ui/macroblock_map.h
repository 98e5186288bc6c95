#pragma once

#include "session/whole_stream.h"

#include <QString>
#include <QWidget>
#include <optional>

namespace quantaline {

// One picture's macroblocks as a map, each coloured by its quantiser on a scale from blue
// (the smallest) to red (the largest), skipped ones hatched, with the legend under it.
// Hovering a macroblock, or moving over the map with the arrow keys, names its position,
// kind and quantiser.
class MacroblockMap : public QWidget {
    Q_OBJECT
  public:
    explicit MacroblockMap(QWidget* parent = nullptr);

    // The map to show (it must outlive the widget or be replaced first) and the quantisers
    // at the two ends of the colour scale; nothing: empty, with `empty_text` in its middle.
    void set_map(const PictureMap* map, int scale_min, int scale_max);
    void set_empty_text(const QString& text);

    // The macroblock at a point of the widget, as the map lays it out.
    std::optional<std::size_t> macroblock_at(QPoint point) const;
    // The last macroblock hovered or reached from the keyboard, as macroblock_text tells it.
    QString current_text() const { return current_text_; }
    // The colour of a quantiser on the scale.
    QColor colour_of(int quantiser) const;

    void draw(QPainter& painter, const QRect& area) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // The cells' rectangle: whole pixels per macroblock, centred above the legend.
    QRect cells_area(const QRect& area) const;
    // The macroblocks in `cells`, each `size` pixels square, the one under the pointer
    // framed; under them the legend.
    void draw_cells(QPainter& painter, const QRect& cells, int size) const;
    void draw_legend(QPainter& painter, const QRect& area, const QRect& cells) const;
    int cell_size(const QRect& area) const;
    void set_current(std::optional<std::size_t> index);

    const PictureMap* map_ = nullptr;
    // Each macroblock's index in map_->macroblocks by address, as map_addresses gives it.
    std::vector<int> by_address_;
    int scale_min_ = 1;
    int scale_max_ = 1;
    QString empty_text_;
    QString current_text_;
    std::optional<std::size_t> current_;
};

} // namespace quantaline
