// Screen definitions: objects by class name, properties, outlets, actions
// and delegates; bad files give a message naming file and element and no
// screen; mutated files never crash the loader.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "platform/uikit/interface_loader.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"
#include "tests/support/fuzz.h"
#include "uikit_support.h"

namespace {

const char* kScreen = R"({
  "objects": [{"class": "UIView", "id": "root", "frame": [0, 0, 375, 667],
               "properties": {"backgroundColor": [0.1, 0.1, 0.1, 1], "tag": 7},
               "subviews": [
                 {"class": "UILabel", "id": "title", "frame": [20, 20, 200, 30],
                  "properties": {"text": "Location", "textColor": [1, 0, 0],
                                 "font": {"UIFontDescriptor": {"NSCTFontUIUsageAttribute": "CTFontEmphasizedUsage",
                                                                "NSFontSizeAttribute": 15}},
                                 "numberOfLines": 2, "noSuchKey": 3}},
                 {"class": "UIButton", "id": "done", "frame": [20, 60, 100, 44],
                  "properties": {"title": "Done"}},
                 {"class": "UITableView", "id": "table", "style": 1, "frame": [0, 120, 375, 500]},
                 {"class": "SVThemedLabel", "id": "themed", "frame": [0, 0, 10, 10]}]}],
  "outlets": {"view": "root", "titleLabel": "title", "mainTable": "table"},
  "actions": [{"object": "done", "selector": "doneTouched:", "events": ["touchUpInside"]}],
  "delegates": [{"object": "table", "property": "dataSource"}, {"object": "table", "property": "delegate"}]
})";

class Owner : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  std::shared_ptr<ui::Label> titleLabel;
  std::shared_ptr<ui::TableView> mainTable;
  int done = 0;
  bool setValue(std::string_view key, const std::any& value) override {
    auto object = std::any_cast<std::shared_ptr<ui::Object>>(&value);
    if (key == "titleLabel" && object) return (titleLabel = std::dynamic_pointer_cast<ui::Label>(*object)) != nullptr;
    if (key == "mainTable" && object) return (mainTable = std::dynamic_pointer_cast<ui::TableView>(*object)) != nullptr;
    return ui::ViewController::setValue(key, value);
  }
  bool performAction(std::string_view selector, ui::Object*) override {
    if (selector == "doneTouched:") return ++done, true;
    return false;
  }
  int numberOfRows(ui::TableView&, int) override { return 2; }
  std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView&, ui::IndexPath) override {
    return std::make_shared<ui::TableViewCell>();
  }
};

// A themed class themes itself in its decoding initialiser.
class ThemedLabel : public ui::Label {
 public:
  std::string className() const override { return "SVThemedLabel"; }
};

TEST(UikitLoader, AScreenIsBuiltAndConnectedToItsOwner) {
  uitest::World world;
  ui::InterfaceLoader::registerClass("SVThemedLabel", [](const ui::Coder&) {
    auto label = std::make_shared<ThemedLabel>();
    label->setTextColor(ui::Color::rgba(0.75, 0.75, 0.75));
    return label;
  });
  // The application's system faces answer system-font requests, including
  // fonts decoded from screen definitions.
  ui::Font::setSystemFontProvider([](ui::SystemFontKind kind, double size) {
    return ui::Font::withName(kind == ui::SystemFontKind::bold ? "Exo-Bold" : "Exo", size);
  });
  Owner owner;
  std::string message;
  auto objects = ui::InterfaceLoader::loadText(kScreen, "LocationView.json", &owner, &message);
  ui::Font::setSystemFontProvider(nullptr);
  ASSERT_EQ(objects.size(), 1u) << message;
  ASSERT_TRUE(owner.isViewLoaded());
  EXPECT_EQ(owner.view()->tag(), 7);
  EXPECT_EQ(owner.view()->subviews().size(), 4u);
  ASSERT_TRUE(owner.titleLabel);
  EXPECT_EQ(owner.titleLabel->text(), "Location");
  EXPECT_EQ(owner.titleLabel->textColor(), ui::Color::rgba(1, 0, 0, 1));
  EXPECT_EQ(owner.titleLabel->font()->fontName(), "Exo-Bold");
  EXPECT_EQ(owner.titleLabel->font()->pointSize(), 15);
  EXPECT_EQ(owner.titleLabel->frame(), (ui::Rect{20, 20, 200, 30}));
  ASSERT_TRUE(owner.mainTable);
  EXPECT_EQ(owner.mainTable->style(), ui::TableViewStyle::grouped);
  EXPECT_EQ(owner.mainTable->dataSource, &owner);
  EXPECT_EQ(owner.mainTable->delegate, &owner);
  auto* themed = dynamic_cast<ThemedLabel*>(owner.view()->subviews()[3].get());
  ASSERT_NE(themed, nullptr);
  EXPECT_EQ(themed->textColor(), ui::Color::rgba(0.75, 0.75, 0.75));
  // The unknown key was skipped with a message naming file and element.
  ASSERT_EQ(ui::InterfaceLoader::warnings().size(), 1u);
  EXPECT_EQ(ui::InterfaceLoader::warnings()[0],
            "LocationView.json: objects[0].subviews[0]: property \"noSuchKey\" not set; skipped");
  // The action reaches the owner.
  auto* done = dynamic_cast<ui::Button*>(owner.view()->subviews()[1].get());
  ASSERT_NE(done, nullptr);
  done->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
  EXPECT_EQ(owner.done, 1);
}

TEST(UikitLoader, BadFilesGiveNoScreenAndSayWhereTheyAreBad) {
  uitest::World world;
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"{\"objects\": [", "Bad.json: not a JSON text"},
      {"{}", "Bad.json: no list of objects"},
      {R"({"objects": [{"class": "UIView", "subviews": [{"class": "NoSuchView"}]}]})",
       "Bad.json: objects[0].subviews[0]: unknown class \"NoSuchView\""},
      {R"({"objects": [{"class": "UIView", "subviews": [{"class": "UIViewController"}]}]})",
       "Bad.json: objects[0].subviews[0]: not a view"},
      {R"({"objects": [{"class": "UIView", "id": "a"}], "outlets": {"view": "b"}})",
       "Bad.json: outlets.view: no object \"b\""},
      {R"({"objects": [{"class": "UIView", "id": "a"}, {"class": "UILabel", "id": "a"}]})",
       "Bad.json: objects[1]: id \"a\" used twice"},
      {R"({"objects": [{"class": "UILabel", "id": "l"}], "actions": [{"object": "l", "selector": "x:"}]})",
       "Bad.json: actions[0]: not a control"},
      {R"({"objects": [{"id": "nameless"}]})", "Bad.json: objects[0]: no class"},
  };
  for (const Case& c : cases) {
    Owner owner;
    std::string message;
    EXPECT_TRUE(ui::InterfaceLoader::loadText(c.text, "Bad.json", &owner, &message).empty()) << c.text;
    EXPECT_EQ(message, c.message);
    EXPECT_FALSE(owner.isViewLoaded());  // nothing connected
  }
  std::string message;
  EXPECT_TRUE(ui::InterfaceLoader::load("NoSuchScreen", nullptr, &message).empty());
  EXPECT_EQ(message, "NoSuchScreen.json: no such screen definition in the bundle");
}

// A screen that cannot load says so once in a process (a cell made for
// every row of a list would repeat it), with the file's control characters
// escaped, and nothing when the launch has named its file already.
TEST(UikitLoader, AFailureIsSaidOnceEscapedAndNotAfterTheLaunchNamedTheFile) {
  std::string message;
  EXPECT_TRUE(ui::InterfaceLoader::loadText(R"({"objects": [{"class": "Bell\u0007"}]})", "Cell.json", nullptr,
                                            &message)
                  .empty());
  testing::internal::CaptureStderr();
  for (int row = 0; row < 3; ++row) ui::InterfaceLoader::reportFailure("Cell", message);
  ui::InterfaceLoader::setNamedAsDamaged("Named");
  ui::InterfaceLoader::reportFailure("Named", "Named.json: not a JSON text");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cell: Cell.json: objects[0]: unknown class \"Bell\\x07\"\n");
  EXPECT_EQ(ui::InterfaceLoader::definitionFault("{\"objects\": [{\"class\": \"UIView\"}"), "not a JSON text");
  EXPECT_EQ(ui::InterfaceLoader::definitionFault("{\"objects\": {}}"), "no list of objects");
  EXPECT_EQ(ui::InterfaceLoader::definitionFault(R"({"objects": [{"class": "NoSuchView"}]})"), "");
}

TEST(UikitLoader, MutatedScreenDefinitionsNeverCrashTheLoader) {
  uitest::World world;
  testing::internal::CaptureStderr();
  int built = 0, refused = 0;
  tessaly::test::FuzzOptions options;
  options.iterations = 3000;
  tessaly::test::fuzz({kScreen}, [&](std::string_view text) {
    Owner owner;
    std::string message;
    auto objects = ui::InterfaceLoader::loadText(std::string(text), "Fuzz.json", &owner, &message);
    if (objects.empty()) {
      ASSERT_FALSE(message.empty());
      ++refused;
    } else {
      ++built;
    }
  }, options);
  // Byte mutations seldom leave JSON that parses; values replaced in the
  // parsed tree reach the classes, the properties and the connections.
  std::uint64_t state = 42;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 33;
  };
  const ns::JSON seed = ns::JSON::parse(kScreen);
  const ns::JSON replacements[] = {nullptr, true, -1, 1e308, "UIView", "", ns::JSON::array(),
                                   ns::JSON::object(), ns::JSON::array({1, 2}), ns::JSON{{"class", "UILabel"}}};
  for (int i = 0; i < 3000; ++i) {
    ns::JSON doc = seed;
    for (int edits = 1 + int(next() % 3); edits > 0; --edits) {
      std::vector<ns::JSON*> nodes;
      std::function<void(ns::JSON&)> collect = [&](ns::JSON& j) {
        nodes.push_back(&j);
        if (j.is_structured())
          for (auto& child : j) collect(child);
      };
      collect(doc);
      *nodes[next() % nodes.size()] = replacements[next() % std::size(replacements)];
    }
    Owner owner;
    std::string message;
    if (ui::InterfaceLoader::loadText(doc.dump(), "Fuzz.json", &owner, &message).empty()) {
      ASSERT_FALSE(message.empty());
      ++refused;
    } else {
      ++built;
    }
  }
  testing::internal::GetCapturedStderr();
  std::printf("screen definitions built %d, refused %d\n", built, refused);
  EXPECT_GT(built, 300);
  EXPECT_GT(refused, 1000);
}

}  // namespace
