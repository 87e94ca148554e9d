// The one-line label of the status lines: a long text is cut to the label's width, kept whole
// in text() and in the tooltip.

#include "shell/ui/elidedlabel.h"

#include <gtest/gtest.h>

using qrn::ui::ElidedLabel;

TEST(ElidedLabel, LongTextIsCutToTheWidthAndKeptWholeInTheTooltip)
{
    ElidedLabel label;
    const QString text = QStringLiteral("107 territori: 20 nella classe 1, 21 nella classe 2, 22 nella classe 3, "
                                        "22 nella classe 4, 22 nella classe 5; 3 territori selezionati");
    label.setFullText(text);
    label.resize(160, 30);
    EXPECT_EQ(label.text(), text);
    EXPECT_EQ(label.toolTip(), text);
    const QString shown = label.shownText();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("…"))) << shown.toStdString();
    EXPECT_LE(label.fontMetrics().horizontalAdvance(shown), 160);
    // It never asks the layout for the room of its whole text.
    EXPECT_LT(label.minimumSizeHint().width(), 160);

    label.setFullText(QStringLiteral("107 territori"));
    EXPECT_EQ(label.shownText(), QStringLiteral("107 territori"));
}
