// The tool's own controls: the label's state, layout rule, painting and tip;
// the button's and progress bar's tips; the edit field's letter case and range
// clamp; the tab strip's captions; the About box.
#include "ui/controls/button_ex.h"
#include "ui/controls/label.h"
#include "ui/controls/my_edit.h"
#include "ui/controls/my_tab_ctrl.h"
#include "ui/controls/progress_ctrl_ex.h"
#include "ui/dialogs/about_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace varnet::ui {
namespace {

// The box of pixels in area that differ from the background.
QRect InkBox(const QImage& image, const QRect& area, QColor background) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y).rgb() != background.rgb())
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

QImage Render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A label on white with black 12-point text, sized as given.
void PrepareForInk(CLabel& label, QSize size) {
    label.SetBkColor(Qt::white).SetTextColor(Qt::black).SetFontName("Arial").SetFontSize(120);
    label.resize(size);
}

// ------------------------------------------------------------------ CLabel

TEST(Label, StartsWithThePaletteColoursAndNoFrame) {
    CLabel label;
    EXPECT_FALSE(label.HasOwnBkColor());
    EXPECT_EQ(label.BkColor(), label.palette().color(QPalette::Button));
    EXPECT_EQ(label.TextColor(), label.palette().color(QPalette::WindowText));
    EXPECT_EQ(label.FrameWidth(), 0);
    EXPECT_EQ(label.Tip(), nullptr);
    EXPECT_TRUE(label.GetText().isEmpty());
}

TEST(Label, SettersChainAndChangeTheState) {
    CLabel label;
    CLabel& same = label.SetBkColor(QColor(1, 2, 3))
                       .SetTextColor(QColor(200, 0, 0))
                       .SetText("00:00:00")
                       .SetFontName("Arial")
                       .SetFontSize(78)
                       .SetFontBold(true)
                       .SetFontItalic(true)
                       .SetFontUnderline(true)
                       .SetSunken(true)
                       .SetBorder(true)
                       .SetAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_EQ(&same, &label);
    EXPECT_EQ(label.BkColor(), QColor(1, 2, 3));
    EXPECT_EQ(label.TextColor(), QColor(200, 0, 0));
    EXPECT_EQ(label.GetText(), "00:00:00");
    EXPECT_EQ(label.font().family(), "Arial");
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 7.8);
    EXPECT_EQ(label.font().weight(), 700);
    EXPECT_TRUE(label.font().italic());
    EXPECT_TRUE(label.font().underline());
    EXPECT_EQ(label.FrameWidth(), 2);
    EXPECT_EQ(label.Alignment(), Qt::AlignHCenter | Qt::AlignVCenter);

    label.SetFontBold(false).SetFontItalic(false).SetFontUnderline(false).SetSunken(false).SetBorder(false);
    EXPECT_EQ(label.font().weight(), 400);
    EXPECT_FALSE(label.font().italic());
    EXPECT_FALSE(label.font().underline());
    EXPECT_EQ(label.FrameWidth(), 0);
    // The size survives the other font changes, and a size of 0 keeps it.
    label.SetFontSize(0);
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 7.8);
    label.SetFontSize(140);
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 14.0);
    EXPECT_EQ(label.font().family(), "Arial");

    // An invalid colour hands the background back to the palette.
    label.SetBkColor(QColor());
    EXPECT_FALSE(label.HasOwnBkColor());
    EXPECT_EQ(label.BkColor(), label.palette().color(QPalette::Button));
}

TEST(Label, LayoutRule) {
    const Qt::Alignment top = Qt::AlignTop;
    struct Case {
        const char* text;
        Qt::Alignment style;
        const char* laidOut;
        Qt::Alignment alignment;
        bool singleLine;
    };
    const Case cases[] = {
        {"Pass", Qt::AlignLeft, "Pass", Qt::AlignLeft | top, false},
        {"Pass", Qt::AlignRight, "Pass", Qt::AlignRight | top, false},
        {"Pass", Qt::AlignHCenter, "Pass", Qt::AlignHCenter | top, false},
        {"Pass", Qt::AlignHCenter | Qt::AlignRight, "Pass", Qt::AlignHCenter | top, false},
        // Vertical centre: one line centred both ways, whatever the horizontal style...
        {"Pass", Qt::AlignLeft | Qt::AlignVCenter, "Pass", Qt::AlignHCenter | Qt::AlignVCenter, true},
        {"", Qt::AlignVCenter, "", Qt::AlignHCenter | Qt::AlignVCenter, true},
        // ...until the text has a line break: wrapped from the top, centred.
        {"Port 1\r\nPass!", Qt::AlignVCenter, "Port 1\nPass!", Qt::AlignHCenter | top, false},
        {"Port 1\nPass!", Qt::AlignRight | Qt::AlignVCenter, "Port 1\nPass!", Qt::AlignHCenter | top, false},
        {"a\rb\r\n\r\nc", Qt::AlignLeft, "a\nb\n\nc", Qt::AlignLeft | top, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const LabelTextLayout how = LayoutLabelText(c.text, c.style);
        EXPECT_EQ(how.text, c.laidOut);
        EXPECT_EQ(how.alignment, c.alignment);
        EXPECT_EQ(how.singleLine, c.singleLine);
    }
}

TEST(Label, PaintsTextWhereTheRuleSays) {
    enum Where { kStart, kMiddle, kEnd };
    struct Case {
        const char* text;
        Qt::Alignment style;
        Where horizontal;
        Where vertical;
    };
    const Case cases[] = {
        {"Pass", Qt::AlignLeft, kStart, kStart},
        {"Pass", Qt::AlignRight, kEnd, kStart},
        {"Pass", Qt::AlignHCenter, kMiddle, kStart},
        {"Pass", Qt::AlignLeft | Qt::AlignVCenter, kMiddle, kMiddle},
        {"Pass\r\nPass", Qt::AlignVCenter, kMiddle, kStart},
    };
    const QSize size(240, 120);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CLabel label;
        PrepareForInk(label, size);
        label.SetText(c.text).SetAlignment(c.style);
        const QRect ink = InkBox(Render(label), label.rect(), Qt::white);
        ASSERT_FALSE(ink.isEmpty());
        auto check = [](Where where, int low, int high, int extent) {
            switch (where) {
            case kStart:
                EXPECT_LT(low, 10);
                break;
            case kEnd:
                EXPECT_GT(high, extent - 10);
                break;
            case kMiddle:
                EXPECT_NEAR((low + high) / 2.0, extent / 2.0, 6);
                break;
            }
        };
        check(c.horizontal, ink.left(), ink.right(), size.width());
        check(c.vertical, ink.top(), ink.bottom(), size.height());
    }
}

TEST(Label, BreaksALongWordAndExpandsTabs) {
    CLabel label;
    PrepareForInk(label, QSize(60, 200));
    label.SetText("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const int lineHeight = QFontMetrics(label.font()).height();
    // Cut instead of broken, the word would leave ink on the first line only.
    EXPECT_GT(InkBox(Render(label), label.rect(), Qt::white).bottom(), 2 * lineHeight);

    label.resize(400, 40);
    label.SetText("A B");
    const int spaced = InkBox(Render(label), label.rect(), Qt::white).right();
    label.SetText("A\tB");
    const int tabbed = InkBox(Render(label), label.rect(), Qt::white).right();
    EXPECT_GT(tabbed, spaced + 3 * QFontMetrics(label.font()).averageCharWidth());
}

TEST(Label, PaintsBackgroundAndFrames) {
    struct Case {
        bool sunken;
        bool border;
        QPalette::ColorRole outer; // the colour of pixel (0, 0)
        int inset;                 // first background pixel
    };
    const Case cases[] = {
        {false, false, QPalette::NoRole, 0},
        {true, false, QPalette::Dark, 1},
        {false, true, QPalette::Shadow, 1},
        {true, true, QPalette::Shadow, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "sunken " << c.sunken << " border " << c.border);
        CLabel label;
        label.SetBkColor(QColor(255, 0, 0)).SetSunken(c.sunken).SetBorder(c.border);
        label.resize(40, 20);
        const QImage image = Render(label);
        const QColor outer = c.outer == QPalette::NoRole ? QColor(255, 0, 0) : label.palette().color(c.outer);
        EXPECT_EQ(image.pixelColor(0, 0).rgb(), outer.rgb());
        EXPECT_EQ(image.pixelColor(c.inset, c.inset).rgb(), QColor(255, 0, 0).rgb());
        EXPECT_EQ(image.pixelColor(39 - c.inset, 19 - c.inset).rgb(), QColor(255, 0, 0).rgb());
        if (c.sunken && !c.border) {
            EXPECT_EQ(image.pixelColor(39, 19).rgb(), label.palette().color(QPalette::Light).rgb());
        }
    }

    CLabel plain;
    plain.resize(20, 10);
    EXPECT_EQ(Render(plain).pixelColor(5, 5).rgb(), plain.palette().color(QPalette::Button).rgb());
}

TEST(Label, SizeHintMakesRoomForFrames) {
    CLabel label;
    label.SetText("Ready");
    const QSize bare = label.sizeHint();
    label.SetSunken(true).SetBorder(true);
    EXPECT_EQ(label.sizeHint(), bare + QSize(4, 4));
}

// -------------------------------------------------------------------- tips

void SendHelp(QWidget& tool) {
    QHelpEvent help(QEvent::ToolTip, QPoint(3, 3), tool.mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(&tool, &help);
}

void SendLeave(QWidget& tool) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&tool, &leave);
}

TEST(ControlTips, LabelTipFollowsItsText) {
    CLabel label;
    label.resize(100, 20);
    label.show();
    SendHelp(label); // no text yet, no tip yet
    EXPECT_EQ(label.Tip(), nullptr);

    label.SetText("Port 3: Pass");
    ASSERT_NE(label.Tip(), nullptr);
    EXPECT_EQ(label.Tip()->TipText(), "Port 3: Pass");
    SendHelp(label);
    EXPECT_TRUE(label.Tip()->isVisible());
    EXPECT_TRUE(label.Tip()->IsHideTimerRunning());

    // A tip on screen takes the new text; an empty text takes it away.
    label.SetText("Port 3: Fail");
    EXPECT_EQ(label.Tip()->TipText(), "Port 3: Fail");
    EXPECT_TRUE(label.Tip()->isVisible());
    label.SetText("");
    EXPECT_FALSE(label.Tip()->isVisible());
    SendHelp(label);
    EXPECT_FALSE(label.Tip()->isVisible());
}

TEST(ControlTips, ButtonAndProgressBarTips) {
    CButtonEx button("1");
    CProgressCtrlEx progress;
    struct Tool {
        QWidget* widget;
        std::function<void(const QString&)> setTip;
        const ControlTip* tip;
    };
    const Tool tools[] = {
        {&button, [&](const QString& t) { button.SetTipText(t); }, button.Tip()},
        {&progress, [&](const QString& t) { progress.SetTipText(t); }, progress.Tip()},
    };
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.widget->metaObject()->className());
        tool.widget->resize(80, 24);
        tool.widget->show();
        ASSERT_NE(tool.tip, nullptr);
        SendHelp(*tool.widget);
        EXPECT_FALSE(tool.tip->isVisible()); // nothing to say yet

        const QString longTip =
            QString("Device: SATA SSD 512GB, serial number 0123456789, firmware V1.2. ").repeated(4);
        tool.setTip(longTip);
        EXPECT_EQ(tool.tip->TipText(), longTip);
        SendHelp(*tool.widget);
        EXPECT_TRUE(tool.tip->isVisible());
        EXPECT_TRUE(tool.tip->IsHideTimerRunning());
        // Wraps at 400 pixels instead of running off as one long line.
        EXPECT_LE(tool.tip->width(), ControlTip::kMaxWidth);
        EXPECT_GT(tool.tip->height(), 2 * QFontMetrics(tool.tip->font()).height());
        SendLeave(*tool.widget);
        EXPECT_FALSE(tool.tip->isVisible());
    }
    EXPECT_EQ(button.TipText(), progress.TipText());
}

TEST(ControlTips, TipTextIsBlue) {
    CButtonEx button("1");
    button.resize(80, 24);
    button.show();
    button.SetTipText("MMMM");
    SendHelp(button);
    const QImage image = Render(*const_cast<ControlTip*>(button.Tip()));
    int blue = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 200 && c.red() < 80 && c.green() < 80)
                ++blue;
        }
    }
    EXPECT_GT(blue, 0);
}

// ----------------------------------------------------------------- CMyEdit

TEST(MyEdit, TypedLettersTakeTheCase) {
    struct Case {
        bool upper;
        bool lower;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {false, false, "aB1-x", "aB1-x"},
        {true, false, "ab1-xZ", "AB1-XZ"},
        {false, true, "AB1-xZ", "ab1-xz"},
        {true, true, "aBc", "ABC"}, // upper case wins
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CMyEdit edit;
        edit.SetUpperCase(c.upper);
        edit.SetLowerCase(c.lower);
        edit.show();
        QTest::keyClicks(&edit, c.typed);
        EXPECT_EQ(edit.text(), c.shown);
    }
}

TEST(MyEdit, PastedAndSetTextKeepItsCase) {
    CMyEdit edit;
    edit.SetUpperCase(true);
    edit.show();
    QApplication::clipboard()->setText("abc");
    QTest::keySequence(&edit, QKeySequence::Paste);
    EXPECT_EQ(edit.text(), "abc");
    QTest::keyClicks(&edit, "d");
    EXPECT_EQ(edit.text(), "abcD");
    edit.setText("xyz");
    EXPECT_EQ(edit.text(), "xyz");
}

TEST(MyEdit, ClampRule) {
    constexpr uint32_t kMax32 = 4294967295u;
    struct Case {
        const char* text;
        uint32_t minimum;
        uint32_t maximum;
        uint32_t value;
    };
    const Case cases[] = {
        {"300", 0, 255, 255},
        {"255", 0, 255, 255},
        {"17", 0, 255, 17},
        {"007", 0, 255, 7},
        {"", 0, 255, 0},
        {"", 5, 255, 5},
        {"abc", 5, 255, 5},
        {"12abc", 0, 255, 12},
        {"  42", 0, 255, 42},
        {"-5", 3, 255, 3},
        {"3", 10, 20, 10},
        {"4294967295", 0, kMax32, kMax32},
        {"99999999999", 0, kMax32, kMax32},
        // Past 32 bits still means "too big", not a wrapped small number.
        {"4294967296", 0, 100, 100},
        {"18446744073709551617", 0, 100, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ClampRangeValue(c.text, c.minimum, c.maximum), c.value);
    }
}

TEST(MyEdit, RangeClampsWhenEditingFinishes) {
    CMyEdit edit;
    edit.show();
    edit.SetRange(true, 0, 255);
    QTest::keyClicks(&edit, "300");
    EXPECT_EQ(edit.text(), "300"); // not while typing
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.text(), "255");

    edit.setText("");
    edit.Clamp();
    EXPECT_EQ(edit.text(), "0");

    // Bounds given the wrong way round still make a range.
    edit.SetRange(true, 20, 10);
    EXPECT_EQ(edit.RangeMinimum(), 10u);
    EXPECT_EQ(edit.RangeMaximum(), 20u);
    edit.Clamp();
    EXPECT_EQ(edit.text(), "10");

    CMyEdit free;
    free.show();
    QTest::keyClicks(&free, "300x");
    QTest::keyClick(&free, Qt::Key_Return);
    free.Clamp();
    EXPECT_EQ(free.text(), "300x");
}

// -------------------------------------------------------------- CMyTabCtrl

TEST(MyTabCtrl, CaptionRectAndText) {
    EXPECT_EQ(TabCaptionRect(QRect(10, 0, 100, 30)), QRect(11, 4, 100, 30));
    EXPECT_EQ(TabCaptionText("Main"), "Main");
    const QString longCaption(200, QLatin1Char('W'));
    EXPECT_EQ(TabCaptionText(longCaption), longCaption.left(128));
}

TEST(MyTabCtrl, DrawsShiftedCaptionsInButtonTextColour) {
    CMyTabCtrl tabs;
    QWidget page;
    tabs.addTab(&page, "Main");
    EXPECT_EQ(tabs.tabBar()->font().family(), "Arial");
    EXPECT_EQ(tabs.tabBar()->font().pixelSize(), 16);
    EXPECT_EQ(tabs.tabBar()->font().weight(), 600);

    QPalette palette = tabs.tabBar()->palette();
    palette.setColor(QPalette::ButtonText, QColor(255, 0, 0));
    tabs.tabBar()->setPalette(palette);
    tabs.resize(400, 200);
    tabs.show();
    const QRect tabRect = tabs.tabBar()->tabRect(0);
    const QImage drawn = tabs.tabBar()->grab().toImage().convertToFormat(QImage::Format_RGB32);

    // The same caption drawn by hand, centred in the shifted rectangle.
    QImage expected(drawn.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        painter.setFont(tabs.tabBar()->font());
        painter.setPen(QColor(255, 0, 0));
        painter.drawText(TabCaptionRect(tabRect), Qt::AlignCenter, "Main");
    }
    auto redBox = [](const QImage& image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
                    box |= QRect(x, y, 1, 1);
            }
        }
        return box;
    };
    const QRect drawnBox = redBox(drawn);
    const QRect expectedBox = redBox(expected);
    ASSERT_FALSE(drawnBox.isEmpty());
    EXPECT_NEAR(drawnBox.center().x(), expectedBox.center().x(), 1);
    EXPECT_NEAR(drawnBox.center().y(), expectedBox.center().y(), 1);
}

TEST(MyTabCtrl, LongCaptionTakesTheRoomOfItsFirst128Characters) {
    CMyTabCtrl tabs;
    QWidget first;
    QWidget second;
    tabs.addTab(&first, QString(200, QLatin1Char('W')));
    tabs.addTab(&second, QString(128, QLatin1Char('W')));
    tabs.resize(8000, 200);
    tabs.show();
    EXPECT_EQ(tabs.tabBar()->tabRect(0).width(), tabs.tabBar()->tabRect(1).width());
}

// --------------------------------------------------------------- CAboutDlg

TEST(AboutDlg, NamesTheProgramInTheLanguageAndClosesOnOk) {
    for (int language : {0, 1, 2}) {
        SCOPED_TRACE(language);
        CAboutDlg dialog(language);
        EXPECT_EQ(dialog.windowTitle(),
                  language == 1 ? QString("关于 VarnetTool") : QString("About VarnetTool"));
        auto* version = dialog.findChild<QLabel*>("versionLine");
        ASSERT_NE(version, nullptr);
        EXPECT_TRUE(version->text().startsWith("VarnetTool"));
        auto* box = dialog.findChild<QDialogButtonBox*>();
        ASSERT_NE(box, nullptr);
        dialog.show();
        QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
    }
}

} // namespace
} // namespace varnet::ui
