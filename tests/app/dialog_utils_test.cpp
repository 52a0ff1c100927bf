// The movable modal dialog loop's key rules, its redraw result, the accessors and the alert.

#include "app/dialog_utils.h"
#include "support/toolbox.h"

namespace {

std::string edit(int item) {
    return "<widget class=\"QLineEdit\" name=\"e" + std::to_string(item) +
           "\"><property name=\"geometry\"><rect><x>10</x><y>" + std::to_string(item * 30) +
           "</y><width>120</width><height>24</height></rect></property>"
           "<property name=\"item\" stdset=\"0\"><number>" +
           std::to_string(item) +
           "</number></property><property name=\"item_disabled\" stdset=\"0\"><bool>true</bool>"
           "</property></widget>";
}

std::string widget(const char* cls, int item, const char* text = "") {
    return std::string("<widget class=\"") + cls + "\" name=\"w" + std::to_string(item) +
           "\"><property name=\"geometry\"><rect><x>150</x><y>" + std::to_string(item * 20) +
           "</y><width>80</width><height>20</height></rect></property>"
           "<property name=\"text\"><string>" +
           text +
           "</string></property>"
           "<property name=\"item\" stdset=\"0\"><number>" +
           std::to_string(item) + "</number></property></widget>";
}

// Items: 1 OK, 2 and 3 edit fields, 4 a label, 5 an edit field, 6 a user area, 7 Cancel.
const std::string kForm = document_form(
    300, 220,
    widget("QPushButton", 1, "OK") + edit(2) + edit(3) + widget("QLabel", 4, "Label") + edit(5) +
        "<widget class=\"QWidget\" name=\"area\"><property name=\"geometry\"><rect><x>10</x>"
        "<y>180</y><width>50</width><height>20</height></rect></property>"
        "<property name=\"item\" stdset=\"0\"><number>6</number></property></widget>" +
        widget("QPushButton", 7, "Cancel"));

class MovableModel : public ToolboxTest {
  protected:
    void SetUp() override {
        ToolboxTest::SetUp();
        ASSERT_EQ(hooks_new_dialog_from_form(kForm.c_str(), &dialog_), noErr);
    }
    // Types the keys into the focused field, then Return, and runs the loop once.
    std::int16_t type(const std::string& keys, bool numeric_only, std::int32_t decimal_item) {
        for (char k : keys) hooks_dialog_key(dialog_, std::uint8_t(k), 0);
        hooks_dialog_key(dialog_, 13, 0);
        std::int16_t item = 0;
        movable_model(dialog_, &item, nullptr, numeric_only, decimal_item);
        return item;
    }
    DialogRef dialog_ = nullptr;
};

TEST_F(MovableModel, ReturnAndEnterEndTheWaitWithItemOne) {
    for (std::uint8_t key : {13, 3}) {
        SelectDialogItemText(dialog_, 3, 0, 0);
        hooks_dialog_key(dialog_, key, 0);
        std::int16_t item = 0;
        movable_model(dialog_, &item, nullptr, true, -1);
        EXPECT_EQ(item, 1) << int(key);
    }
}

TEST_F(MovableModel, KeysAreFilteredByNumericOnlyAndTheDecimalPointItem) {
    struct Case {
        const char* name;
        bool numeric_only;
        std::int32_t decimal_item;
        int field;
        const char* typed;
        const char* shown;
        int beeps;
    };
    const Case cases[] = {
        {"numeric: letters refused", true, 2, 3, "1a2", "12", 1},
        {"numeric: point in its item", true, 2, 2, "1.5", "1.5", 0},
        {"numeric: point elsewhere", true, 2, 3, "1.5", "15", 1},
        {"numeric: backspace", true, 2, 5, "12\b3", "13", 0},
        {"text: letters anywhere", false, 2, 3, "ab1", "ab1", 0},
        {"text: point only in its item", false, 2, 5, "a.b", "ab", 1},
        {"text: point with no point item", false, -1, 5, "a.b", "a.b", 0},
        {"numeric: no point item", true, -1, 2, "1.5", "15", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hooks_clear_record();
        SetDialogItemText(dialog_, std::int16_t(c.field), "");
        SelectDialogItemText(dialog_, std::int16_t(c.field), 0, 1000);
        EXPECT_EQ(type(c.typed, c.numeric_only, c.decimal_item), 1);
        EXPECT_EQ(GetDialogItemText(dialog_, std::int16_t(c.field)), c.shown);
        EXPECT_EQ(hooks_beeps(), c.beeps);
    }
}

TEST_F(MovableModel, ShiftTabMovesBackWrapsToTheLastEditFieldAndSelectsItsText) {
    struct Case {
        int from, to;
    };
    for (const Case& c : {Case{5, 3}, Case{3, 2}, Case{2, 5}}) {
        SelectDialogItemText(dialog_, std::int16_t(c.from), 0, 0);
        hooks_dialog_key(dialog_, 9, shiftKey);
        EXPECT_EQ(type("", false, -1), 1);
        EXPECT_EQ(GetDialogKeyboardFocusItem(dialog_), c.to) << "from " << c.from;
    }
    // The field reached has its whole text selected: a key typed replaces it.
    SetDialogItemText(dialog_, 5, "123");
    SelectDialogItemText(dialog_, 2, 0, 0);
    hooks_dialog_key(dialog_, 9, shiftKey);
    EXPECT_EQ(type("7", true, -1), 1);
    EXPECT_EQ(GetDialogItemText(dialog_, 5), "7");
}

TEST_F(MovableModel, UncoveringReturnsMinusOneOnceThenTheNextItem) {
    ShowWindow(GetDialogWindow(dialog_));
    hooks_dialog_expose(dialog_);
    hooks_dialog_expose(dialog_);
    hooks_dialog_click(dialog_, 7);
    std::int16_t item = 0;
    movable_model(dialog_, &item, nullptr, false, -1);
    EXPECT_EQ(item, -1);
    movable_model(dialog_, &item, nullptr, false, -1);
    EXPECT_EQ(item, 7);
}

TEST_F(MovableModel, AButtonClickEndsTheWaitWithItsItemInDialogCoordinates) {
    hooks_dialog_click(dialog_, 7);
    std::int16_t item = 0;
    EventRecord ev{};
    movable_model(dialog_, &item, &ev, true, -1);
    EXPECT_EQ(item, 7);
    EXPECT_EQ(ev.what, mouseDown);
    CGrafPtr port = nullptr;
    GetGWorld(&port);
    EXPECT_EQ(port, GetWindowPort(GetDialogWindow(dialog_)));
}

TEST_F(MovableModel, ItemAccessorsSetTextsAndGiveRectanglesAndControls) {
    Rect r;
    du_get_rect(dialog_, 4, &r);
    EXPECT_EQ(r.left, 150);
    EXPECT_EQ(r.top, 80);
    EXPECT_EQ(r.right, 230);
    EXPECT_EQ(r.bottom, 100);
    const unsigned char pascal[] = {3, 'a', 'b', 'c', 'x'};
    du_set_str(dialog_, 4, pascal);
    EXPECT_EQ(GetDialogItemText(dialog_, 4), "abc");
    const std::string long_text(300, 'p');
    du_set_cstr(dialog_, 2, long_text.c_str());
    EXPECT_EQ(GetDialogItemText(dialog_, 2), std::string(255, 'p'));
    EXPECT_NE(du_get_ctl(dialog_, 1), nullptr);
    EXPECT_EQ(du_get_ctl(dialog_, 6), nullptr) << "a user area is no control";
    EXPECT_EQ(du_get_ctl(dialog_, 40), nullptr);
    EXPECT_EQ(GetDialogItemType(dialog_, 2), kEditTextDialogItem | kItemDisableBit);
}

TEST_F(MovableModel, ErrorAlertCarriesTheFixedTitleAndTheMessage) {
    show_error_alert(kErrorAlertTitle, "The memory is insufficient to execute work.");
    ASSERT_EQ(hooks_alerts().size(), 1u);
    EXPECT_EQ(hooks_alerts()[0].title, "Sorry, error occured.");
    EXPECT_EQ(hooks_alerts()[0].message, "The memory is insufficient to execute work.");
}

}  // namespace
