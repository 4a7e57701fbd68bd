// The bindings name controls of the design table, each of the kind its binding needs, and each
// part of Form is bound once.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "window/Bindings.h"
#include "window/Layout.h"

namespace {

using window::Kind;

Kind kindOf(std::string_view name) {
  const window::ControlDesign* design = window::findControl(name);
  if (design == nullptr) ADD_FAILURE() << "no control " << name << " in the design";
  return design == nullptr ? Kind::Image : design->kind;
}

TEST(Bindings, NameControlsOfTheKindsTheyDrive) {
  lifecycle::Form form;
  std::set<const std::string*> slots;
  for (const auto& field : window::textFields()) {
    const Kind kind = kindOf(field.control);
    EXPECT_TRUE(kind == Kind::TextBox || kind == Kind::MultiLineBox) << field.control;
    EXPECT_TRUE(slots.insert(&field.slot(form)).second) << field.control << " shares its slot";
  }
  EXPECT_EQ(slots.size(), 11u);
  std::set<std::string_view> bound;  // the controls with a click or a command of their own
  for (const auto& click : window::clickHandlers()) bound.insert(click.control);
  for (const auto& command : window::commands()) bound.insert(command.control);
  for (const auto name : bound) {
    const Kind kind = kindOf(name);
    EXPECT_TRUE(kind == Kind::Button || kind == Kind::MenuItem) << name;
  }
  // A menu item that stands for a button has no binding of its own; its button has one.
  for (const auto& item : window::buttonItems()) {
    EXPECT_TRUE(kindOf(item.item) == Kind::MenuItem && bound.count(item.item) == 0) << item.item;
    EXPECT_TRUE(kindOf(item.button) == Kind::Button && bound.count(item.button) == 1) << item.button;
  }
  for (const auto& list : window::listSelections()) {
    const Kind kind = kindOf(list.control);
    EXPECT_TRUE(kind == Kind::ListBox || kind == Kind::FileList) << list.control;
  }
  for (const auto& list : window::listViews(form)) {
    const Kind kind = kindOf(list.control);
    EXPECT_TRUE(kind == Kind::ListBox || kind == Kind::FileList || kind == Kind::FolderList);
  }
  for (const auto& label : window::captionViews(form)) EXPECT_EQ(kindOf(label.control), Kind::BorderLabel);
  for (const auto& state : window::enabledViews(form)) kindOf(state.control);
  for (const auto& option : window::options()) EXPECT_EQ(kindOf(option.control), Kind::Option);
  for (const auto& field : window::questionFields()) {
    const Kind kind = kindOf(field);
    EXPECT_TRUE(kind == Kind::TextBox || kind == Kind::MultiLineBox) << field;
  }
  EXPECT_EQ(kindOf(window::kPicture), Kind::Image);
}

TEST(Bindings, ShowTheFormsRowsAndSelection) {
  lifecycle::Form form;
  form.List2.Rows = {"1", "2", "3"};
  form.List2.ListIndex = 2;
  form.Dir1.Entries = {"/shell/0", "/shell/1"};
  for (const auto& list : window::listViews(form)) {
    if (list.control == "List2") {
      EXPECT_EQ(list.rows, form.List2.Rows);
      EXPECT_EQ(list.selected, 2);
    }
    if (list.control == "Dir1") {
      EXPECT_EQ(list.rows, (std::vector<std::string>{"0", "1"}));
    }
  }
}

}  // namespace
