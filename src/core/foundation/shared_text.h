// A text that every holder of the same value shares. A report's cells
// repeat a handful of font faces, list names, hints and formulas hundreds
// of thousands of times; held as one pointer each instead of a whole
// string, a cell takes half the memory, and the kernel clears that much
// less while a report loads.
//
// Every distinct value is kept once for the life of the process and never
// freed: the values come from the installation's and the reports' files,
// so their number stays small. Equal values share the same storage, so
// comparing two shared texts compares two pointers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rpt {

class SharedText {
 public:
  SharedText() : text_(&Empty()) {}
  SharedText(std::string_view text) : text_(Intern(text)) {}  // NOLINT: converts like a string
  SharedText(const std::string& text) : SharedText(std::string_view(text)) {}  // NOLINT
  SharedText(const char* text) : SharedText(std::string_view(text)) {}  // NOLINT

  const std::string& str() const { return *text_; }
  operator const std::string&() const { return *text_; }  // NOLINT: reads like a string
  operator std::string_view() const { return *text_; }    // NOLINT

  bool empty() const { return text_->empty(); }
  std::size_t size() const { return text_->size(); }
  const char* data() const { return text_->data(); }
  const char* c_str() const { return text_->c_str(); }
  void clear() { text_ = &Empty(); }

  friend bool operator==(const SharedText& a, const SharedText& b) { return a.text_ == b.text_; }
  friend bool operator==(const SharedText& a, std::string_view b) { return *a.text_ == b; }
  friend bool operator==(const SharedText& a, const std::string& b) { return *a.text_ == b; }
  friend bool operator==(const SharedText& a, const char* b) { return *a.text_ == b; }

 private:
  static const std::string& Empty();
  static const std::string* Intern(std::string_view text);

  const std::string* text_;
};

}  // namespace rpt
