#include <gtest/gtest.h>

#include "app/form1.h"

TEST(MainWindow, HasFixedClientSizeAndCaption) {
    TForm1 form;
    form.show();
    EXPECT_EQ(form.size(), QSize(623, 482));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quarzel PGN Viewer"));
}
