#pragma once

#include "check/buffer_model.h"
#include "check/timeline.h"
#include "mpeg/scan.h"
#include "session/picture_pyramid.h"

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

namespace quantaline {

// The stream along a time axis: the bit rate of each second, each picture's size as a bar
// coloured by its type or each group of pictures' size, over the decoder's buffer, with the
// matrix-set changes marked and numbered and the quantiser in a strip of its own below.
// Drawn per pixel column, never per picture: a column that covers many pictures shows the
// largest of each type, read from a pyramid of maxima built once, so that a million
// pictures draw as fast as a thousand. The wheel zooms, dragging pans, hovering names the
// picture; the arrow keys, + and - do the same from the keyboard.
class PictureGraph : public QWidget {
    Q_OBJECT
  public:
    // What the bars show.
    enum class View { bit_rate, picture_bytes, group_bytes };

    explicit PictureGraph(QWidget* parent = nullptr);

    // The stream to show; it must outlive the graph or be replaced first. Nothing: empty.
    // The same stream again (its quantiser figures came) keeps the view.
    void set_stream(const mpeg::ScanResult* result);
    std::size_t picture_count() const;
    // The stream's times and buffer, from its check; nothing: pictures along the axis and no
    // buffer. They must outlive the graph or be replaced first.
    void set_timing(const check::Timeline* timeline, const check::BufferModel* buffer);
    // The strip shows the slice headers' QP (H.264, HEVC, MPEG-4 visual), not the
    // macroblocks' quantiser, and is named so.
    // Their buffer is the coded picture buffer, named so.
    void set_slice_qp(bool slice_qp) { slice_qp_ = slice_qp; }
    View view() const { return view_; }
    void set_view_kind(View view);
    // A picture marked across the graph and brought into view; nothing: none.
    void select_picture(std::optional<std::size_t> index);
    std::optional<std::size_t> selected_picture() const { return selected_; }

    // The pictures shown: from `first`, `count` of them across the width.
    double first_visible() const { return first_; }
    double visible_count() const { return count_; }
    void set_view(double first, double count);
    // The first pixel column of the bars, right of the value axis.
    int plot_left() const { return plot_area(rect()).left() + 1; }
    void zoom(double factor, double anchor_x);

    // The picture a pixel column names: the largest of the pictures it covers.
    std::optional<std::size_t> picture_at(int x) const;
    // "Image 1 234 : B, 4 321 octets, jeu 2"
    QString picture_text(std::size_t index) const;
    // What the graph shows, for assistive technology.
    QString description() const;
    QString view_text() const;
    // The last picture hovered or chosen from the keyboard, as picture_text tells it.
    QString current_text() const { return current_text_; }

    // The whole drawing into `area`; the benchmark and the tests call it on an image.
    void draw(QPainter& painter, const QRect& area) const;

  signals:
    // A click (without a drag) or Enter chose a picture.
    void picture_chosen(std::size_t index);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    using Maxima = PicturePyramid::Maxima;
    bool shows_quantiser() const;
    // Where each part lies in an area: the bars' plot, the quantiser's strip (empty without
    // quantiser) and the time axis under them.
    struct Parts {
        QRect plot;
        QRect strip;
        QRect axis;
    };
    Parts parts_of(const QRect& area) const;
    // The pictures a pixel column covers, [begin, end); empty past the stream.
    std::pair<std::size_t, std::size_t> column_pictures(int column, double per_column) const;
    // Each column's value in the views without types (bits per second, bytes per group).
    std::vector<double> column_values(int columns, double per_column) const;
    void draw_quantiser(QPainter& painter, const QRect& strip, double per_column) const;
    void draw_value_axis(QPainter& painter, const QRect& plot, double top) const;
    void draw_time_axis(QPainter& painter, const Parts& parts, double per_column) const;
    // The buffer over one pixel column: its least and largest occupancy, in bits.
    struct BufferColumn {
        double low = 0;
        double high = 0;
        bool modelled = false;
        bool underflow = false;
        bool overflow = false;
    };
    std::vector<BufferColumn> buffer_columns(int columns, double per_column) const;
    void draw_buffer_fill(QPainter& painter, const QRect& plot,
                          const std::vector<BufferColumn>& columns) const;
    void draw_buffer_line(QPainter& painter, const QRect& plot,
                          const std::vector<BufferColumn>& columns) const;
    void draw_buffer_axis(QPainter& painter, const QRect& plot) const;
    double buffer_y(double bits, const QRect& plot) const;
    bool shows_rate() const;
    QString buffer_name() const {
        return slice_qp_ ? QStringLiteral("CPB") : QStringLiteral("VBV");
    }
    // The stream's average rate and its first header's maximum, kbit/s.
    double average_kbits() const;
    double header_kbits() const;
    void draw_values(QPainter& painter, const QRect& plot, const std::vector<double>& values,
                     double top) const;
    void draw_rate_lines(QPainter& painter, const QRect& plot, double top) const;
    void draw_selection(QPainter& painter, const Parts& parts, double per_column) const;
    bool shows_buffer() const;
    double column_x(double picture, const QRect& plot, double per_column) const;
    // The maxima of each pixel column, and in `top` the largest of them (1 at least).
    std::vector<Maxima> columns_maxima(int columns, double per_column, std::uint32_t& top) const;
    void draw_bars(QPainter& painter, const QRect& plot, const std::vector<Maxima>& maxima,
                   std::uint32_t top) const;
    void draw_set_changes(QPainter& painter, const QRect& plot, double per_column) const;
    void draw_captions(QPainter& painter, const QRect& area) const;
    int draw_legend_entry(QPainter& painter, int right, int y, const QString& name,
                          const QColor& colour, bool line) const;
    QRect plot_area(const QRect& area) const;
    void set_current(std::optional<std::size_t> index);

    const mpeg::ScanResult* result_ = nullptr;
    const check::Timeline* timeline_ = nullptr;
    const check::BufferModel* buffer_ = nullptr;
    double buffer_top_ = 0; // the buffer axis' top, bits
    View view_ = View::picture_bytes;
    bool slice_qp_ = false;
    std::optional<std::size_t> selected_;
    PicturePyramid pyramid_;
    std::optional<int> press_x_;
    double first_ = 0;
    double count_ = 0;
    std::optional<int> drag_x_;
    double drag_first_ = 0;
    QString current_text_;
};

} // namespace quantaline
