// Text fields, text views and search bars: they take the keyboard's text
// while they are the first responder.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/controls.h"

namespace ui {

class TextField;

class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  virtual bool shouldBeginEditing(TextField&) { return true; }
  virtual void didBeginEditing(TextField&) {}
  virtual bool shouldEndEditing(TextField&) { return true; }
  virtual void didEndEditing(TextField&) {}
  // `offset` and `length` are bytes of the present text to replace.
  virtual bool shouldChangeCharacters(TextField&, std::size_t /*offset*/, std::size_t /*length*/,
                                      const std::string& /*replacement*/) {
    return true;
  }
  virtual bool shouldReturn(TextField&) { return true; }
};

enum class TextBorderStyle { none = 0, line = 1, bezel = 2, roundedRect = 3 };
enum class KeyboardAppearance { defaultAppearance = 0, dark = 1, light = 2 };
enum class AutocorrectionType { defaultType = 0, no = 1, yes = 2 };

class TextField : public Control {
 public:
  TextField();
  explicit TextField(const Rect& frame);
  std::string className() const override { return "UITextField"; }
  bool setValue(std::string_view key, const std::any& value) override;
  const std::string& text() const { return text_; }
  void setText(std::string text);
  std::string placeholder;
  std::optional<Color> placeholderColor;  // the platform's grey when unset
  FontPointer font() const { return font_ ? font_ : Font::systemFont(17); }
  void setFont(FontPointer font) { font_ = std::move(font), setNeedsDisplay(); }
  Color textColor = Color::black();
  TextBorderStyle borderStyle = TextBorderStyle::none;
  KeyboardAppearance keyboardAppearance = KeyboardAppearance::defaultAppearance;
  AutocorrectionType autocorrectionType = AutocorrectionType::defaultType;
  bool secureTextEntry = false;
  TextAlignment textAlignment = TextAlignment::natural;
  std::shared_ptr<View> leftView;
  TextFieldDelegate* delegate = nullptr;
  bool isEditing() const { return isFirstResponder(); }

  bool canBecomeFirstResponder() const override { return isEnabled(); }
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;
  void insertText(const std::string& text) override;
  void deleteBackward() override;
  bool hasText() const override { return !text_.empty(); }
  void selectAll() override;
  std::string selectedText() const override;
  bool isAllSelected() const { return allSelected_; }
  void drawRect(cg::Context& context, const Rect& rect) override;

 protected:
  void endTracking(Point point, bool inside) override;

 private:
  // Replaces bytes [offset, offset + length) when the delegate agrees.
  bool replace(std::size_t offset, std::size_t length, const std::string& replacement);
  std::string text_;
  FontPointer font_;
  bool resigning_ = false;
  bool allSelected_ = false;
};

// Several lines of text, editable or not.
class TextView : public View {
 public:
  TextView();
  explicit TextView(const Rect& frame);
  std::string className() const override { return "UITextView"; }
  bool setValue(std::string_view key, const std::any& value) override;
  const std::string& text() const { return text_; }
  void setText(std::string text);
  FontPointer font;
  Color textColor = Color::black();
  bool editable = true;
  KeyboardAppearance keyboardAppearance = KeyboardAppearance::defaultAppearance;
  bool canBecomeFirstResponder() const override { return editable; }
  void insertText(const std::string& text) override;
  void deleteBackward() override;
  bool hasText() const override { return !text_.empty(); }
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void drawRect(cg::Context& context, const Rect& rect) override;

 private:
  std::string text_;
};

class SearchBar;

class SearchBarDelegate {
 public:
  virtual ~SearchBarDelegate() = default;
  virtual bool shouldBeginEditing(SearchBar&) { return true; }
  virtual void textDidBeginEditing(SearchBar&) {}
  virtual void textDidEndEditing(SearchBar&) {}
  virtual void textDidChange(SearchBar&, const std::string&) {}
  virtual void searchButtonClicked(SearchBar&) {}
  virtual void cancelButtonClicked(SearchBar&) {}
};

class SearchBar : public View, private TextFieldDelegate {
 public:
  SearchBar();
  std::string className() const override { return "UISearchBar"; }
  const std::string& text() const { return field_->text(); }
  void setText(std::string text) { field_->setText(std::move(text)); }
  void setPlaceholder(std::string text) { field_->placeholder = std::move(text); }
  TextField& searchTextField() { return *field_; }
  std::optional<Color> barTintColor;
  int barStyle = 0;
  bool showsCancelButton = false;
  SearchBarDelegate* delegate = nullptr;
  void layoutSubviews() override;
  void drawRect(cg::Context& context, const Rect& rect) override;

 private:
  bool shouldBeginEditing(TextField&) override;
  void didBeginEditing(TextField&) override;
  void didEndEditing(TextField&) override;
  bool shouldReturn(TextField&) override;
  std::shared_ptr<TextField> field_;
};

}  // namespace ui
