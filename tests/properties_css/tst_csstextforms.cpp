#include "properties/csstextforms.h"

#include <QGuiApplication>
#include <QtTest>

class tst_CssTextForms : public QObject
{
    Q_OBJECT

private slots:
    void fontToCss_data();
    void fontToCss();
    void fontFromCss_data();
    void fontFromCss();
    void colorToCss_data();
    void colorToCss();
    void colorFromCss_data();
    void colorFromCss();
};

void tst_CssTextForms::fontToCss_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QString>("css");

    QTest::newRow("bold-italic") << QFont("Arial", 12, QFont::Bold, true) << "bold italic 12pt \"Arial\"";
    QTest::newRow("plain") << QFont("Courier New", 10) << "10pt \"Courier New\"";
    QTest::newRow("weight-58-is-bold") << QFont("X", 8, 58, false) << "bold 8pt \"X\"";
    QTest::newRow("light-is-not-bold") << QFont("X", 9, QFont::Light, false) << "9pt \"X\"";
    QTest::newRow("empty-family") << QFont("", 11, QFont::Normal, true) << "italic 11pt \"\"";
}

void tst_CssTextForms::fontToCss()
{
    QFETCH(QFont, font);
    QFETCH(QString, css);

    QCOMPARE(::fontToCss(font), css);
    // What fontToCss writes reads back as the same font, the family in lower case.
    if (!font.family().isEmpty() && (font.weight() == QFont::Normal || font.weight() == QFont::Bold))
        QCOMPARE(::fontToCss(::fontFromCss(css)), css.toLower());
}

void tst_CssTextForms::fontFromCss_data()
{
    const int defaultSize = QGuiApplication::font().pointSize();

    QTest::addColumn<QString>("css");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("pointSize");
    QTest::addColumn<int>("weight");
    QTest::addColumn<bool>("italic");

    QTest::newRow("capitals") << "Italic 600 14pt \"Segoe UI\"" << "segoe ui" << 14.0 << 66 << true;
    QTest::newRow("oblique") << "oblique 9pt x" << "x" << 9.0 << 50 << true;
    QTest::newRow("normal-normal-bold") << "normal normal bold 12pt \"a b\"" << "a b" << 12.0 << 75 << false;
    QTest::newRow("small-caps") << "italic small-caps 100 7pt f" << "f" << 7.0 << 25 << true;
    QTest::newRow("weight-before-style") << "bold italic 12pt \"Arial\"" << "arial" << 12.0 << 75 << true;
    QTest::newRow("white-space") << "  bold \t\n 12pt   \"Times   New Roman\"  " << "times new roman" << 12.0 << 75
                                 << false;
    QTest::newRow("family-alone") << "Segoe" << "" << double(defaultSize) << 50 << false;
    QTest::newRow("size-without-pt") << "bold 12 arial" << "arial" << double(defaultSize) << 75 << false;
    QTest::newRow("size-alone") << "16pt" << "" << 16.0 << 50 << false;
    QTest::newRow("fractional-size") << "12.5pt x" << "x" << 12.5 << 50 << false;
    QTest::newRow("size-limit") << "1000pt x" << "x" << 1000.0 << 50 << false;
    QTest::newRow("size-above-limit") << "1001pt x" << "x" << double(defaultSize) << 50 << false;
    QTest::newRow("size-zero") << "0pt x" << "x" << double(defaultSize) << 50 << false;
    QTest::newRow("two-quotes-kept") << "10pt \"\"" << "\"\"" << 10.0 << 50 << false;
    QTest::newRow("keyword-needs-more-text") << "bold" << "" << double(defaultSize) << 50 << false;
    QTest::newRow("repeated-style-is-the-size") << "italic italic 12pt x" << "12pt x" << double(defaultSize) << 50
                                                << true;
    QTest::newRow("empty") << "" << "" << double(defaultSize) << 50 << false;

    const int weights[] = {25, 33, 42, 50, 58, 66, 75, 81, 87};
    for (int i = 0; i < 9; ++i) {
        const QByteArray css = QByteArray::number((i + 1) * 100);
        QTest::newRow(QByteArray("weight-" + css).constData())
            << QString::fromLatin1(css) + " 8pt w" << "w" << 8.0 << weights[i] << false;
    }
    QTest::newRow("weight-950-is-the-size") << "950 8pt w" << "8pt w" << double(defaultSize) << 50 << false;
}

void tst_CssTextForms::fontFromCss()
{
    QFETCH(QString, css);
    QFETCH(QString, family);
    QFETCH(double, pointSize);
    QFETCH(int, weight);
    QFETCH(bool, italic);

    const QFont font = ::fontFromCss(css);
    QCOMPARE(font.family(), family);
    QCOMPARE(font.pointSizeF(), pointSize);
    QCOMPARE(font.weight(), weight);
    QCOMPARE(font.italic(), italic);
}

void tst_CssTextForms::colorToCss_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QString>("css");

    QTest::newRow("opaque") << QColor(255, 128, 0) << "rgb(255,128,0)";
    QTest::newRow("half") << QColor(1, 2, 3, 128) << "rgba(1,2,3,128)";
    QTest::newRow("alpha-254") << QColor(9, 9, 9, 254) << "rgba(9,9,9,254)";
    QTest::newRow("hsv-as-rgb") << QColor::fromHsv(0, 255, 255) << "rgb(255,0,0)";
    QTest::newRow("invalid") << QColor() << "";
}

void tst_CssTextForms::colorToCss()
{
    QFETCH(QColor, color);
    QFETCH(QString, css);

    QCOMPARE(::colorToCss(color), css);
    if (color.isValid())
        QCOMPARE(::colorFromCss(css).rgba(), color.rgba());
}

void tst_CssTextForms::colorFromCss_data()
{
    QTest::addColumn<QString>("css");
    QTest::addColumn<QColor>("color");

    QTest::newRow("hex-capitals") << "#FF8000" << QColor(255, 128, 0);
    QTest::newRow("hex-short-mixed") << "#F80" << QColor(255, 136, 0);
    QTest::newRow("hex-spaces") << "  # ff8000 " << QColor(255, 128, 0);
    QTest::newRow("hex-four-digits") << "#ff80" << QColor();
    QTest::newRow("hex-eight-digits") << "#ff800080" << QColor();
    QTest::newRow("hex-not-hex") << "#gg0000" << QColor();
    QTest::newRow("hex-alone") << "#" << QColor();
    QTest::newRow("rgb-capitals-spaces") << "RGB( 1, 2 ,3 )" << QColor(1, 2, 3);
    QTest::newRow("rgba") << "rgba(255,128,0,128)" << QColor(255, 128, 0, 128);
    QTest::newRow("rgba-fraction-alpha-is-zero") << "rgba(255,0,0,0.5)" << QColor(255, 0, 0, 0);
    QTest::newRow("rgb-words-are-zero") << "rgb(red,0,x)" << QColor(0, 0, 0);
    QTest::newRow("rgb-out-of-range") << "rgb(256,0,0)" << QColor();
    QTest::newRow("rgb-negative") << "rgb(-1,0,0)" << QColor();
    QTest::newRow("rgb-two-components") << "rgb(1,2)" << QColor();
    QTest::newRow("rgba-three-components") << "rgba(1,2,3)" << QColor();
    QTest::newRow("rgb-unclosed") << "rgb(1,2,3" << QColor();
    QTest::newRow("rgb-trailing-text") << "rgb(1,2,3) x" << QColor();
    QTest::newRow("name") << "red" << QColor();
    QTest::newRow("empty") << "" << QColor();
}

void tst_CssTextForms::colorFromCss()
{
    QFETCH(QString, css);
    QFETCH(QColor, color);

    const QColor read = ::colorFromCss(css);
    QCOMPARE(read.isValid(), color.isValid());
    if (color.isValid())
        QCOMPARE(read.rgba(), color.rgba());
}

QTEST_MAIN(tst_CssTextForms)
#include "tst_csstextforms.moc"
