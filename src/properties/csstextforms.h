#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// Short CSS-like texts for fonts and colours, as manifests and scripts write them.
//
// Font: up to one each of [italic|oblique], [small-caps] and [bold|100..900], in any order,
// "normal" standing for any of them, then <size>pt and the family, e.g. bold italic 12pt
// "Arial". Colour: #rrggbb, #rgb, rgb(r,g,b) or rgba(r,g,b,a), components
// and alpha as integers 0 to 255.
//
// The readers work on the text in lower case with runs of white space made one space, so a
// family read back is in lower case.

// "bold " when the weight is above normal, "italic " when italic, the point size and "pt ",
// then the family in double quotes.
QString fontToCss(const QFont &font);

// Starts from the application's default font and applies the style, variant and weight
// keywords, then the size word and the family (the rest of the text, surrounding double quotes
// removed). A size word without "<number>pt" keeps the default size and still counts as the
// size, so a family alone gives an empty family. Sizes above 1000 points keep the default.
QFont fontFromCss(const QString &text);

// "rgb(r,g,b)" for an opaque colour, "rgba(r,g,b,a)" otherwise; "" for an invalid colour.
QString colorToCss(const QColor &color);

// The colour of a text above; any other text, or a component out of range, gives an invalid
// colour. Components that are not integers count as 0.
QColor colorFromCss(const QString &text);
