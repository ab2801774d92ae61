#include "tools/artwork/Collage.h"

#include <cmath>
#include <string>

#include "tools/artwork/Canvas.h"

namespace velmar::artwork {
namespace {

constexpr Rgb kInk{60, 72, 90};
constexpr Rgb kFaint{135, 146, 160};
constexpr Rgb kRule{222, 228, 236};
constexpr Rgb kHeader{243, 246, 250};
constexpr Rgb kSeries[] = {
    {0, 118, 228}, {0, 190, 240}, {255, 152, 40}, {84, 186, 92}, {150, 112, 220}};

struct Card {
    double x, y, w, h, degrees;
    const char* title;
};

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// Moves the origin to the card's top left corner and turns it by the card's angle.
void enterCard(cairo_t* cr, const Card& card) {
    cairo_translate(cr, card.x + card.w / 2, card.y + card.h / 2);
    cairo_rotate(cr, card.degrees * M_PI / 180);
    cairo_translate(cr, -card.w / 2, -card.h / 2);
}

void text(cairo_t* cr, const char* s, double x, double baseline, double size, Rgb colour,
          bool bold = false, bool alignRight = false) {
    const Typesetter type(cr);
    LayoutPtr layout = type.layout(bold ? Face::BodyBold : Face::Body, size, s);
    if (alignRight) {
        PangoRectangle logical;
        pango_layout_get_extents(layout.get(), nullptr, &logical);
        x -= double(logical.width) / PANGO_SCALE;
    }
    setColour(cr, colour);
    cairo_move_to(cr, x, baseline);
    pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout.get(), 0));
}

// A card of the service's pages: shadow, white sheet, grey title bar. Leaves the card's
// coordinates in place for its content.
void beginCard(cairo_t* cr, const Card& card) {
    const Box area{static_cast<int>(card.x) - 20, static_cast<int>(card.y) - 20,
                   static_cast<int>(card.x + card.w) + 20, static_cast<int>(card.y + card.h) + 20};
    Mask shadow = blurred(renderMask(area,
                                     [&](cairo_t* m) {
                                         enterCard(m, card);
                                         roundedRect(m, 0, 0, card.w, card.h, 5);
                                         cairo_fill(m);
                                     }),
                          4);
    shadow.moveBy(1, 3);
    paintMask(cr, shadow, Rgb{0, 60, 120}, 0.3);
    cairo_save(cr);
    enterCard(cr, card);
    roundedRect(cr, 0, 0, card.w, card.h, 5);
    cairo_clip_preserve(cr);
    setColour(cr, Rgb{255, 255, 255});
    cairo_fill(cr);
    setColour(cr, kHeader);
    cairo_rectangle(cr, 0, 0, card.w, 20);
    cairo_fill(cr);
    setColour(cr, kRule);
    cairo_rectangle(cr, 0, 20, card.w, 1);
    cairo_fill(cr);
    text(cr, card.title, 9, 14, 9.5, kInk, true);
}

void endCard(cairo_t* cr) {
    cairo_restore(cr);
}

void ringChart(cairo_t* cr, const Card& card) {
    beginCard(cr, card);
    const double shares[] = {0.34, 0.24, 0.18, 0.14, 0.10};
    const char* names[] = {"ТЦ «Север»", "Магазин № 2", "Киоск", "Маркет", "Прочие"};
    const char* sums[] = {"34 %", "24 %", "18 %", "14 %", "10 %"};
    const double cx = 50, cy = 80, outer = 38, inner = 23;
    double angle = -M_PI / 2;
    for (int i = 0; i < 5; ++i) {
        const double sweep = shares[i] * 2 * M_PI;
        setColour(cr, kSeries[i]);
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, outer, angle, angle + sweep);
        cairo_arc_negative(cr, cx, cy, inner, angle + sweep, angle);
        cairo_close_path(cr);
        cairo_fill(cr);
        angle += sweep;
    }
    text(cr, "1,21 млн", cx - 17, cy + 1, 9, kInk, true);
    text(cr, "выручка", cx - 15, cy + 11, 7.5, kFaint);
    for (int i = 0; i < 5; ++i) {
        const double y = 48 + i * 17;
        setColour(cr, kSeries[i]);
        cairo_rectangle(cr, 102, y - 7, 7, 7);
        cairo_fill(cr);
        text(cr, names[i], 113, y, 8, kInk);
        text(cr, sums[i], card.w - 8, y, 7.5, kFaint, false, true);
    }
    text(cr, "за текущий месяц", 9, card.h - 9, 7.5, kFaint);
    endCard(cr);
}

void salesTable(cairo_t* cr, const Card& card) {
    beginCard(cr, card);
    const char* rows[][3] = {{"01.03", "48 210", "1 120"},
                             {"02.03", "52 870", "640"},
                             {"03.03", "45 300", "2 050"},
                             {"04.03", "61 940", "310"},
                             {"05.03", "58 460", "980"}};
    text(cr, "Дата", 9, 34, 8, kFaint, true);
    text(cr, "Продажи", 98, 34, 8, kFaint, true, true);
    text(cr, "Возвраты", card.w - 9, 34, 8, kFaint, true, true);
    for (int r = 0; r < 5; ++r) {
        const double y = 50 + r * 14;
        setColour(cr, kRule);
        cairo_rectangle(cr, 6, y - 11, card.w - 12, 1);
        cairo_fill(cr);
        text(cr, rows[r][0], 9, y, 8, kInk);
        text(cr, rows[r][1], 98, y, 8, kInk, false, true);
        text(cr, rows[r][2], card.w - 9, y, 8, Rgb{220, 70, 60}, false, true);
    }
    endCard(cr);
}

void paymentTable(cairo_t* cr, const Card& card) {
    beginCard(cr, card);
    const char* names[] = {"Наличные", "Банковская карта", "Прочие"};
    const double shares[] = {0.54, 0.41, 0.05};
    const char* labels[] = {"54 %", "41 %", "5 %"};
    for (int r = 0; r < 3; ++r) {
        const double y = 35 + r * 18;
        text(cr, names[r], 9, y, 8, kInk);
        text(cr, labels[r], card.w - 9, y, 8, kInk, true, true);
        setColour(cr, kRule);
        cairo_rectangle(cr, 9, y + 4, card.w - 18, 4);
        cairo_fill(cr);
        setColour(cr, kSeries[r == 2 ? 2 : r]);
        cairo_rectangle(cr, 9, y + 4, (card.w - 18) * shares[r], 4);
        cairo_fill(cr);
    }
    endCard(cr);
}

void barChart(cairo_t* cr, const Card& card) {
    beginCard(cr, card);
    const double values[] = {0.55, 0.62, 0.48, 0.7, 0.86, 0.95, 0.68};
    const char* days[] = {"Пн", "Вт", "Ср", "Чт", "Пт", "Сб", "Вс"};
    const double left = 26, right = card.w - 10, bottom = card.h - 20, top = 32;
    for (int g = 0; g <= 3; ++g) {
        const double y = bottom - g * (bottom - top) / 3;
        setColour(cr, kRule);
        cairo_rectangle(cr, left, y, right - left, 1);
        cairo_fill(cr);
        text(cr, std::to_string(g * 20).c_str(), left - 4, y + 3, 7, kFaint, false, true);
    }
    const double step = (right - left) / 7;
    for (int i = 0; i < 7; ++i) {
        const double x = left + i * step + step * 0.22;
        const double h = values[i] * (bottom - top);
        PatternPtr fill = linearGradient(0, bottom - h, kSeries[1], 0, bottom, kSeries[0]);
        cairo_set_source(cr, fill.get());
        cairo_rectangle(cr, x, bottom - h, step * 0.56, h);
        cairo_fill(cr);
        text(cr, days[i], x - 1, bottom + 11, 7.5, kFaint);
    }
    endCard(cr);
}

}  // namespace

void paintCollage(cairo_t* cr, const Box& area) {
    // Card places are relative to the collage's top left corner.
    const double ox = area.left;
    const double oy = area.top;
    ringChart(cr, {ox + 6, oy + 16, 196, 146, -3.0, "Продажи по торговым точкам"});
    barChart(cr, {ox + 354, oy + 8, 138, 134, 3.0, "Продажи по периодам"});
    salesTable(cr, {ox + 200, oy + 26, 160, 100, -1.0, "Продажи и возвраты"});
    paymentTable(cr, {ox + 214, oy + 120, 162, 80, 2.0, "Способы оплаты"});
}

}  // namespace velmar::artwork
