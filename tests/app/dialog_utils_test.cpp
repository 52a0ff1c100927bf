// The movable modal dialog loop's key rules, its redraw result and the item accessors.

#include "app/dialog_utils.h"
#include "support/toolbox.h"

namespace {

// A dialog item of the class, with the properties given as XML.
std::string item(const char* cls, int n, const std::string& properties = "") {
    return std::string("<widget class=\"") + cls + "\" name=\"i" + std::to_string(n) +
           "\"><property name=\"item\" stdset=\"0\"><number>" + std::to_string(n) +
           "</number></property>" + properties + "</widget>";
}

// Items: 1 OK, 2 and 3 edit fields, 4 a label, 5 Cancel, 6 a user area, 7 an edit field: the
// last item, where moving back wraps to.
const std::string kEdit =
    "<property name=\"item_disabled\" stdset=\"0\"><bool>true</bool></property>";
const std::string kForm =
    document_form(300, 220,
                  item("QPushButton", 1) + item("QLineEdit", 2, kEdit) +
                      item("QLineEdit", 3, kEdit) + item("QLabel", 4) + item("QPushButton", 5) +
                      item("QWidget", 6) + item("QLineEdit", 7, kEdit));

class MovableModel : public ToolboxTest {
  protected:
    void SetUp() override {
        ToolboxTest::SetUp();
        ASSERT_EQ(hooks_new_dialog_from_form(kForm.c_str(), &dialog_), noErr);
    }
    // Types the keys into the focused field and runs the loop once.
    std::int16_t type(const std::string& keys, bool numeric_only, std::int32_t decimal_item) {
        for (char k : keys) hooks_dialog_key(dialog_, std::uint8_t(k), 0);
        std::int16_t item = 0;
        movable_model(dialog_, &item, nullptr, numeric_only, decimal_item);
        return item;
    }
    DialogRef dialog_ = nullptr;
};

TEST_F(MovableModel, KeysAreFilteredByNumericOnlyAndTheDecimalPointItemUntilReturnOrEnter) {
    struct Case {
        bool numeric_only;
        std::int32_t decimal_item;
        int field;
        const char* typed;
        const char* shown;
        int beeps;
    };
    const Case cases[] = {
        {true, 2, 3, "1a2\r", "12", 1},   {true, 2, 2, "1.5\3", "1.5", 0},
        {true, 2, 7, "12\b3\r", "13", 0}, {false, 2, 3, "ab1\r", "ab1", 0},
        {false, 2, 7, "a.b\r", "ab", 1},  {false, -1, 7, "a.b\3", "a.b", 0},
        {true, -1, 2, "1.5\r", "15", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        hooks_clear_record();
        SelectDialogItemText(dialog_, std::int16_t(c.field), 0, 1000);
        EXPECT_EQ(type(c.typed, c.numeric_only, c.decimal_item), 1);
        EXPECT_EQ(GetDialogItemText(dialog_, std::int16_t(c.field)), c.shown);
        EXPECT_EQ(hooks_beeps(), c.beeps);
    }
}

TEST_F(MovableModel, ShiftTabMovesBackWrapsToTheLastEditFieldAndSelectsItsText) {
    SetDialogItemText(dialog_, 7, "123");
    for (const auto& [from, to] : {std::pair<std::int16_t, int>{7, 3}, {3, 2}, {2, 7}}) {
        SelectDialogItemText(dialog_, from, 0, 0);
        hooks_dialog_key(dialog_, 9, shiftKey);
        EXPECT_EQ(type("\r", false, -1), 1);
        EXPECT_EQ(GetDialogKeyboardFocusItem(dialog_), to);
    }
    EXPECT_EQ(type("7\r", true, -1), 1);
    EXPECT_EQ(GetDialogItemText(dialog_, 7), "7");
}

TEST_F(MovableModel, UncoveringReturnsMinusOneOnceThenAClickGivesItsItemWithTheDialogAsPort) {
    MoveWindow(GetDialogWindow(dialog_), 150, 100, false);
    ShowWindow(GetDialogWindow(dialog_));
    hooks_dialog_expose(dialog_);
    hooks_dialog_expose(dialog_);
    hooks_dialog_click(dialog_, 5);
    std::int16_t item = 0;
    EventRecord ev{};
    for (std::int16_t expected : {-1, 5}) {
        movable_model(dialog_, &item, &ev, false, -1);
        EXPECT_EQ(item, expected);
    }
    EXPECT_EQ(ev.what, mouseDown);
    CGrafPtr port = nullptr;
    GetGWorld(&port);
    EXPECT_EQ(port, GetWindowPort(GetDialogWindow(dialog_)));
    Point mouse;
    GetMouse(&mouse);  // in the dialog's coordinates, as the event's position must be
    EXPECT_TRUE(ev.where.h == mouse.h && ev.where.v == mouse.v);
}

TEST_F(MovableModel, TextSetFromAStringKeepsAtMost255CharactersOrTheGivenLength) {
    du_set_cstr(dialog_, 2, std::string(300, 'p').c_str());
    EXPECT_EQ(GetDialogItemText(dialog_, 2), std::string(255, 'p'));
    du_set_str(dialog_, 2, reinterpret_cast<const unsigned char*>("\3abcdef"));
    EXPECT_EQ(GetDialogItemText(dialog_, 2), "abc");
}

}  // namespace
