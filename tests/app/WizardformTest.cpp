#include "app/Wizardform.h"
#include "app/WizardformLayout.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

using namespace kestrune;
using namespace testsupport;

namespace {

struct Tutorial {
    FakeWindow window{{0, 0, 256, 425}};
    FakeCheckBox box;
    FakePlacement panel{wizard::kPanel2}, boxPlace{wizard::kCheckBox1}, button{wizard::kButton2};
    TWizardForm form{{window, box, panel, boxPlace, button}};
    Tutorial() {
        box.setChecked(true);  // ticked at design
        window.onShow = [this] { form.FormShow(); };
        window.onClose = [this] { return form.FormCloseQuery(); };
    }
};

}  // namespace

TEST(Tutorial, BoxShowsAndWritesBackTheLentFlag) {
    Tutorial t;
    bool flag = false;
    t.form.showNextTimeFlag = &flag;
    t.window.show();
    EXPECT_FALSE(t.box.checked());  // the flag wins over the design state

    t.box.setChecked(true);
    t.form.TeButton2Click();  // "Done"
    EXPECT_FALSE(t.window.visible());
    EXPECT_TRUE(flag);

    t.window.show();
    t.box.setChecked(false);
    t.window.close();  // the frame's close button
    EXPECT_FALSE(flag);
}

TEST(Tutorial, WithoutAFlagItComplainsOnShowAndCloseAndStoresNothing) {
    BoxRecorder boxes;
    Tutorial t;
    t.window.setHandle(reinterpret_cast<platform::WindowHandle>(&t));
    t.window.show();
    EXPECT_TRUE(t.box.checked());
    t.box.setChecked(false);
    t.window.close();
    EXPECT_FALSE(t.window.visible());  // the close is still allowed
    const auto calls = boxes.calls();
    ASSERT_EQ(calls.size(), 2u);
    for (const auto& c : calls) {
        EXPECT_EQ(c.text, "Address not assigned");
        EXPECT_EQ(c.caption, "Error 4454");
        EXPECT_EQ(c.kind, platform::BoxKind::Question);
        EXPECT_EQ(c.owner, t.window.handle());
    }
}

TEST(Tutorial, ResizeStretchesTheBodyAndMovesItsBottomControls) {
    Tutorial t;
    t.form.FormResize();
    EXPECT_EQ(t.panel.bounds().height, 320);
    EXPECT_EQ(t.boxPlace.bounds().top, 295);
    EXPECT_EQ(t.button.bounds().top, 265);

    t.window.setClientSize(256, 500);
    t.form.FormResize();
    EXPECT_EQ(t.panel.bounds().height, 395);
    EXPECT_EQ(t.boxPlace.bounds().top, 370);
    EXPECT_EQ(t.button.bounds().top, 340);
    EXPECT_EQ(t.panel.bounds().left, wizard::kPanel2.left);  // only the height changes
}
