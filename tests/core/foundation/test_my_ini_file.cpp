#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/text_case.h"
#include "support/temp_folder.h"
#include "support/text.h"

namespace rpt {
namespace {

using namespace literals;
using testing::ReadFile;
using testing::TempFolder;
using Lines = std::vector<std::string>;

using testing::W;

// Opens `text` as a file, lets `edit` work on it, releases it and returns
// what was written.
template <class F>
std::string Roundtrip(std::string_view text, F&& edit) {
  TempFolder dir;
  const std::string path = dir.Write("t.ini", text);
  {
    TMyIniFile ini(path);
    edit(ini);
    EXPECT_EQ(ini.Release(), "");
  }
  return ReadFile(path);
}

TEST(MyIniFile, SplitsLinesAtEveryTerminatorAndStopsAtNul) {
  const struct {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\n\n", {"a", ""}},
      {"\r\n", {""}},
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {std::string("a\nb\0c\nd", 7), {"a", "b"}},
      {std::string("\0a", 2), {}},
  };
  for (const auto& c : cases) {
    TempFolder dir;
    TMyIniFile ini(dir.Write("t.ini", c.text));
    EXPECT_EQ(ini.Lines(), c.lines) << ::testing::PrintToString(c.text);
    EXPECT_EQ(ini.LineCount(), c.lines.size());
  }
}

TEST(MyIniFile, ReleaseRewritesLoadedFileWithCrLf) {
  EXPECT_EQ(Roundtrip("[S]\nk=v\rx\n", [](TMyIniFile&) {}), "[S]\r\nk=v\r\nx\r\n");
  EXPECT_EQ(Roundtrip(std::string("[S]\nk=v\0junk", 12), [](TMyIniFile&) {}), "[S]\r\nk=v\r\n");
  // An empty file has no lines and stays as it is.
  EXPECT_EQ(Roundtrip("", [](TMyIniFile& ini) { ini.ReadString("S", "k", ""); }), "");
}

TEST(MyIniFile, MissingFileIsCreatedOnlyWhenSomethingIsWritten) {
  TempFolder dir;
  const std::string path = dir / "new.ini";
  {
    TMyIniFile ini(path);
    EXPECT_FALSE(ini.FileModified());
    EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
    ini.WriteString("S", "k", "");  // key=, still something written
    ini.DeleteKey("S", "k");        // header only: never written back
    EXPECT_EQ(ini.Release(), "");
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  {
    TMyIniFile ini(path);
    ini.WriteString("S", "k", "v");
  }
  EXPECT_EQ(ReadFile(path), "[S]\r\nk=v\r\n\r\n");
}

TEST(MyIniFile, HeadersMatchIgnoringCaseButNotBlanks) {
  TempFolder dir;
  TMyIniFile ini(dir.Write("t.ini", W("[ Раздел_1 ]\r\nk=blank\r\n[раздел_1]\r\nk=lower\r\n"
                                      "[Раздел_1]\r\nk=second\r\n[ёж]\r\nk=yo\r\n")));
  EXPECT_EQ(ini.ReadString(W("Раздел_1"), "k", ""), "lower");
  EXPECT_EQ(ini.ReadString(W("РАЗДЕЛ_1"), "K", ""), "lower");
  EXPECT_EQ(ini.ReadString(W(" Раздел_1 "), "k", ""), "blank");
  EXPECT_EQ(ini.ReadString(W("ЁЖ"), "k", ""), "yo");
  EXPECT_EQ(ini.Section(W("Раздел_1")), (Lines{W("[раздел_1]"), "k=lower"}));
  EXPECT_EQ(ini.SectionNames(),
            (Lines{W(" Раздел_1 "), W("раздел_1"), W("Раздел_1"), W("ёж")}));
}

TEST(MyIniFile, KeyLookupIsUntrimmedFirstMatchAndValueKeepsEquals) {
  TempFolder dir;
  TMyIniFile ini(dir.Write("t.ini", W("[S]\r\nИмя =blank\r\nимя=first\r\nИМЯ=second\r\n"
                                      "f=a=b\r\nno key line\r\n=empty key\r\nz= \r\n")));
  EXPECT_EQ(ini.ReadString("S", W("Имя"), ""), "first");
  EXPECT_EQ(ini.ReadString("S", W("Имя "), ""), "blank");
  EXPECT_EQ(ini.ReadString("S", "f", ""), "a=b");
  EXPECT_EQ(ini.ReadString("S", "", ""), "empty key");
  EXPECT_EQ(ini.ReadString("S", "z", "d"), " ");
  EXPECT_EQ(ini.ReadString("S", "no key line", "d"), "d");
}

TEST(MyIniFile, SectionContentEndsAtBlankLineOrBracketLine) {
  TempFolder dir;
  TMyIniFile ini(dir.Write("t.ini", "pre=1\r\n[A]\r\na=1\r\n\r\nb=2\r\n[B\r\nc=3\r\n[C]\r\nd=4"));
  EXPECT_EQ(ini.ReadString("A", "a", ""), "1");
  EXPECT_EQ(ini.ReadString("A", "b", "def"), "def");
  EXPECT_EQ(ini.ReadString("A", "c", "def"), "def");
  EXPECT_EQ(ini.ReadString("C", "d", ""), "4");
  EXPECT_EQ(ini.ReadString("", "pre", "def"), "def");
}

TEST(MyIniFile, WriteBackReplacesSpanUpToNextBracketLine) {
  // Lines after a blank line inside the span go; the next section stays.
  EXPECT_EQ(Roundtrip("[A]\r\na=1\r\n\r\nb=2\r\n[B]\r\nc=3\r\n",
                      [](TMyIniFile& ini) { ini.WriteInteger("A", "a", 5); }),
            "[A]\r\na=5\r\n\r\n[B]\r\nc=3\r\n");
  // Written in place under the file's spelling of the header; new keys and
  // new sections go to the end.
  EXPECT_EQ(Roundtrip("x\r\n[Abc]\r\nk=1\r\n[Z]\r\n",
                      [](TMyIniFile& ini) {
                        ini.WriteString("abc", "n", "2");
                        ini.WriteString("New", "k", "3");
                      }),
            "x\r\n[Abc]\r\nk=1\r\nn=2\r\n\r\n[Z]\r\n[New]\r\nk=3\r\n\r\n");
  // Only the first of duplicate headers is rewritten.
  EXPECT_EQ(Roundtrip("[A]\r\nk=1\r\n[a]\r\nk=2\r\n",
                      [](TMyIniFile& ini) { ini.WriteString("a", "k", "9"); }),
            "[A]\r\nk=9\r\n\r\n[a]\r\nk=2\r\n");
}

TEST(MyIniFile, KeyWritingFollowsCallerSpellingAndKeepsEmptyValues) {
  EXPECT_EQ(Roundtrip("[S]\r\nKey=1\r\nb=2\r\n",
                      [](TMyIniFile& ini) {
                        ini.WriteString("S", "KEY", "2");
                        ini.WriteString("S", "B", "2");  // same value: untouched
                      }),
            "[S]\r\nKEY=2\r\nb=2\r\n\r\n");
  EXPECT_EQ(Roundtrip("[S]\r\nk=1\r\n",
                      [](TMyIniFile& ini) {
                        ini.WriteString("S", "k", "");
                        EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
                      }),
            "[S]\r\nk=\r\n\r\n");
  // A header-only buffer is never written back, so the file keeps the keys.
  EXPECT_EQ(Roundtrip("[S]\r\na=1\r\nb=2\r\n",
                      [](TMyIniFile& ini) {
                        ini.DeleteKey("S", "A");
                        ini.DeleteKey("S", "b");
                        EXPECT_EQ(ini.Section("S"), Lines{"[S]"});
                      }),
            "[S]\r\na=1\r\nb=2\r\n");
}

TEST(MyIniFile, SelectionComparesNamesByteForByte) {
  TempFolder dir;
  TMyIniFile ini(dir.Write("t.ini", "[abc]\r\nk=1\r\n"));
  ini.WriteString("abc", "k", "2");
  // Another spelling is another selection: the pending change is written
  // back first and read again from the lines.
  EXPECT_EQ(ini.Lines(), (Lines{"[abc]", "k=1"}));
  EXPECT_EQ(ini.ReadString("ABC", "k", ""), "2");
  EXPECT_EQ(ini.Lines(), (Lines{"[abc]", "k=2", ""}));
}

TEST(MyIniFile, DeleteKeyOfMissingKeyIsAListError) {
  TempFolder dir;
  TMyIniFile ini(dir.Write("t.ini", "[S]\r\na=1\r\n"));
  EXPECT_THROW(ini.DeleteKey("S", "b"), EListError);
  ini.DeleteKey("S", "a");
  EXPECT_THROW(ini.DeleteKey("S", "a"), EListError);
}

TEST(MyIniFile, EraseSection) {
  // The first match and its whole span go; the duplicate becomes the section.
  EXPECT_EQ(Roundtrip("[A]\r\nk=1\r\n\r\nx\r\n[a]\r\nk=2\r\n[B]\r\n",
                      [](TMyIniFile& ini) {
                        EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
                        ini.WriteString("A", "k", "lost");
                        ini.EraseSection("A");
                        EXPECT_EQ(ini.ReadString("A", "k", ""), "2");
                      }),
            "[a]\r\nk=2\r\n[B]\r\n");
  // A section held only in the buffer survives an erase and is written later.
  EXPECT_EQ(Roundtrip("[B]\r\n",
                      [](TMyIniFile& ini) {
                        ini.WriteString("N", "k", "1");
                        ini.EraseSection("N");
                      }),
            "[B]\r\n[N]\r\nk=1\r\n\r\n");
  // Erasing under another spelling keeps the buffer, which goes to the end.
  EXPECT_EQ(Roundtrip("[A]\r\nk=1\r\n\r\n[B]\r\n",
                      [](TMyIniFile& ini) {
                        ini.WriteString("A", "k", "2");
                        ini.EraseSection("a");
                      }),
            "[B]\r\n[A]\r\nk=2\r\n\r\n");
}

TEST(MyIniFile, TypedReaders) {
  TempFolder dir;
  TMyIniFile ini(dir.Write("t.ini",
                           "[S]\r\nd=42\r\nb= -7\r\nh=$1F\r\nf=$FFFFFFFF\r\nt=12 \r\nx=abc\r\ne=\r\n"
                           "o=2147483648\r\nm=-2147483648\r\nz0=0\r\nz2=2\r\nz256=256\r\n"));
  const struct {
    const char* key;
    std::int32_t value;
  } ints[] = {{"d", 42},  {"b", -7},  {"h", 31},          {"f", -1}, {"t", 99}, {"x", 99},
              {"e", 99},  {"o", 99},  {"m", INT32_MIN},   {"none", 99}};
  for (const auto& c : ints) EXPECT_EQ(ini.ReadInteger("S", c.key, 99), c.value) << c.key;

  const struct {
    const char* key;
    bool def, value;
  } bools[] = {{"none", true, true}, {"z0", true, false}, {"z2", false, true},
               {"z256", true, false}, {"x", true, true},   {"x", false, false}};
  for (const auto& c : bools) EXPECT_EQ(ini.ReadBool("S", c.key, c.def), c.value) << c.key;

  ini.WriteBool("S", "w", true);
  ini.WriteInteger("S", "i", -12);
  EXPECT_EQ(ini.ReadString("S", "w", ""), "1");
  EXPECT_EQ(ini.ReadString("S", "i", ""), "-12");
}

TEST(MyIniFile, ColoursAndFonts) {
  TempFolder dir;
  TMyIniFile ini(dir.Write("t.ini", "[S]\r\nc1=clwindowtext\r\nc2=$00123456\r\nc3=junk\r\n"
                                    "f1=Arial,10,10,clRed\r\nf2=Arial,10,0100,$000000FF\r\n"));
  EXPECT_EQ(ini.ReadColor("S", "c1", clBlack), clWindowText);
  EXPECT_EQ(ini.ReadColor("S", "c2", clBlack), 0x00123456u);
  EXPECT_EQ(ini.ReadColor("S", "c3", clRed), clRed);
  ini.WriteColor("S", "w1", 0x00123456);
  ini.WriteColor("S", "w2", clBtnFace);
  EXPECT_EQ(ini.ReadString("S", "w1", ""), "$00123456");
  EXPECT_EQ(ini.ReadString("S", "w2", ""), "clBtnFace");

  const TFont def{"Default", 9, false, false, false, false, clBlack};
  TFont font;
  ini.ReadFont("S", "f1", font, def);
  EXPECT_EQ(font, def);
  ini.ReadFont("S", "f2", font, def);
  EXPECT_EQ(font, (TFont{"Arial", 10, false, true, false, false, clRed}));
  ini.ReadFont("S", "missing", font, def);
  EXPECT_EQ(font, def);
  const TFont bold{W("Таймс"), 12, true, false, true, false, clWindowText};
  ini.WriteFont("S", "w3", bold);
  EXPECT_EQ(ini.ReadString("S", "w3", ""), W("Таймс,12,1010,clWindowText"));
  ini.ReadFont("S", "w3", font, def);
  EXPECT_EQ(font, bold);
}

TEST(MyIniFile, BigKeyedSectionUsesFirstMatchToo) {
  // Enough keys for the lookup to switch to its index; duplicates, deletions
  // and appends must keep the first-match rule.
  TempFolder dir;
  std::string text = "[S]\r\n";
  for (int i = 0; i < 200; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  text += "K5=dup\r\n";
  TMyIniFile ini(dir.Write("t.ini", text));
  EXPECT_EQ(ini.ReadString("S", "k5", ""), "5");
  ini.DeleteKey("S", "k5");
  EXPECT_EQ(ini.ReadString("S", "k5", ""), "dup");
  ini.WriteString("S", "new", "1");
  ini.WriteString("S", "NEW", "2");
  EXPECT_EQ(ini.ReadString("S", "new", ""), "2");
  EXPECT_EQ(ini.ReadString("S", "k199", ""), "199");
  EXPECT_EQ(ini.Section("S").size(), 1u + 200u + 1u);
}

TEST(MyIniFile, KeyBeginningWithBracketSplitsTheSectionWhenWrittenBack) {
  // The written line begins with "[", so on reading it starts a new span.
  EXPECT_EQ(Roundtrip("[A]\r\nk=1\r\n[B]\r\n",
                      [](TMyIniFile& ini) {
                        ini.WriteString("A", "[x", "y]");
                        EXPECT_EQ(ini.ReadString("x=y", "k", "none"), "none");
                        EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
                        EXPECT_EQ(ini.ReadString("A", "[x", "def"), "def");
                        EXPECT_EQ(ini.SectionNames(), (Lines{"A", "x=y", "B"}));
                      }),
            "[A]\r\nk=1\r\n[x=y]\r\n\r\n[B]\r\n");
}

// The algorithms applied literally to one flat list of lines, as the
// reference for the indexed implementation.
class ReferenceIni {
 public:
  explicit ReferenceIni(Lines lines) : lines_(std::move(lines)) {}

  std::string ReadString(const std::string& sec, const std::string& key, const std::string& def) {
    Select(sec);
    const int i = FindKey(key);
    if (i < 0) return def;
    const std::string value = buf_[i].substr(buf_[i].find('=') + 1);
    return value.empty() ? def : value;
  }
  void WriteString(const std::string& sec, const std::string& key, const std::string& value) {
    Select(sec);
    const int i = FindKey(key);
    if (i < 0) {
      buf_.push_back(key + "=" + value);
      modified_ = true;
    } else if (buf_[i].substr(buf_[i].find('=') + 1) != value) {
      buf_[i] = key + "=" + value;
      modified_ = true;
    }
  }
  bool DeleteKey(const std::string& sec, const std::string& key) {
    Select(sec);
    const int i = FindKey(key);
    if (i < 0) return false;
    buf_.erase(buf_.begin() + i);
    modified_ = true;
    return true;
  }
  void EraseSection(const std::string& sec) {
    const int h = FindHeader(sec);
    if (h < 0) return;
    lines_.erase(lines_.begin() + h, lines_.begin() + SpanEnd(h));
    if (sec == selected_) {
      buf_.clear();
      selected_.clear();
      hasHeader_ = false;
      modified_ = false;
    }
  }
  const Lines& Section(const std::string& sec) {
    Select(sec);
    return buf_;
  }
  const Lines& LinesNow() const { return lines_; }

 private:
  static bool Bracket(const std::string& l) { return !l.empty() && l[0] == '['; }
  int FindHeader(const std::string& name) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const auto& l = lines_[i];
      if (l.size() >= 2 && l.front() == '[' && l.back() == ']' &&
          SameText(std::string_view(l).substr(1, l.size() - 2), name))
        return static_cast<int>(i);
    }
    return -1;
  }
  std::size_t SpanEnd(int h) const {
    std::size_t e = h + 1;
    while (e < lines_.size() && !Bracket(lines_[e])) ++e;
    return e;
  }
  int FindKey(const std::string& key) const {
    for (std::size_t i = hasHeader_ ? 1 : 0; i < buf_.size(); ++i) {
      const auto eq = buf_[i].find('=');
      if (eq != std::string::npos && SameText(std::string_view(buf_[i]).substr(0, eq), key))
        return static_cast<int>(i);
    }
    return -1;
  }
  void WriteBack() {
    if (!modified_ || buf_.size() < 2) return;
    if (!buf_.back().empty()) buf_.emplace_back();
    const int h = FindHeader(selected_);
    if (h < 0) {
      lines_.insert(lines_.end(), buf_.begin(), buf_.end());
    } else {
      lines_.erase(lines_.begin() + h, lines_.begin() + SpanEnd(h));
      lines_.insert(lines_.begin() + h, buf_.begin(), buf_.end());
    }
    modified_ = false;
  }
  void Select(const std::string& name) {
    if (name == selected_) return;
    WriteBack();
    selected_ = name;
    buf_.clear();
    hasHeader_ = true;
    const int h = FindHeader(name);
    if (h < 0) {
      buf_.push_back("[" + name + "]");
    } else {
      buf_.push_back(lines_[h]);
      for (std::size_t i = h + 1; i < lines_.size() && !lines_[i].empty() && !Bracket(lines_[i]); ++i)
        buf_.push_back(lines_[i]);
    }
    modified_ = false;
  }

  Lines lines_;
  std::string selected_;
  Lines buf_;
  bool hasHeader_ = false;
  bool modified_ = false;
};

// Random edits on a file full of duplicate and case-variant headers, blank
// lines and stray lines: the indexed lines must always equal the reference.
void RunRandomEdits(unsigned seed, const Lines& keys, unsigned eraseWeight) {
  std::mt19937 rng(seed);
  const auto pick = [&](const auto& v) { return v[rng() % v.size()]; };
  Lines names = {"A", "a", "B", "b", W("Раздел"), W("РАЗДЕЛ"), "", "x=y", "C c"};
  for (int i = 0; i < 150; ++i) names.push_back("S_" + std::to_string(i));
  const Lines values = {"", "1", "2", "y]", "v=w"};
  const Lines stray = {"", "junk", "[open", "k=stray", "[]"};

  std::string text = "pre=1\r\n";
  for (int i = 0; i < 400; ++i) {
    text += "[" + pick(names) + "]\r\n";
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) text += pick(keys) + "=" + pick(values) + "\r\n";
    if (rng() % 4 == 0) text += pick(stray) + "\r\n";
  }
  TempFolder dir;
  TMyIniFile real(dir.Write("t.ini", text));
  ReferenceIni ref(real.Lines());
  for (int step = 0; step < 20000; ++step) {
    const std::string sec = pick(names), key = pick(keys);
    SCOPED_TRACE("step " + std::to_string(step));
    const unsigned op = rng() % (8 + eraseWeight);
    if (op < 3) {
      ASSERT_EQ(real.ReadString(sec, key, "d"), ref.ReadString(sec, key, "d"));
    } else if (op < 6) {
      const std::string value = pick(values);
      real.WriteString(sec, key, value);
      ref.WriteString(sec, key, value);
    } else if (op == 6) {
      if (ref.DeleteKey(sec, key)) real.DeleteKey(sec, key);
      else ASSERT_THROW(real.DeleteKey(sec, key), EListError);
    } else if (op == 7) {
      ASSERT_EQ(real.Section(sec), ref.Section(sec));
    } else {
      real.EraseSection(sec);
      ref.EraseSection(sec);
    }
    if (step % 50 == 0) {
      ASSERT_EQ(real.Lines(), ref.LinesNow());
    }
  }
  ASSERT_EQ(real.Lines(), ref.LinesNow());
  real.DiscardChanges();
}

TEST(MyIniFile, AgreesWithLiteralAlgorithmsUnderRandomEdits) {
  // Key lines beginning with "[" split sections when written back.
  RunRandomEdits(42, {"k", "K", "n", "[z", "m ", ""}, 2);
  // Mostly erasing: many erased sections pile up and get swept away.
  RunRandomEdits(7, {"k", "K", "n", "m ", ""}, 12);
}

TEST(MyIniFile, WriteFailureIsReportedAndLeavesOriginalIntact) {
  TempFolder dir;
  {
    TMyIniFile ini(dir / "missing/t.ini");
    ini.WriteString("S", "k", "v");
    EXPECT_NE(ini.Release(), "");
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));

  // A write cut short (here by the file-size limit) must not truncate the file.
  const std::string original = "[S]\r\nk=old\r\n";
  const std::string path = dir.Write("t.ini", original);
  {
    TMyIniFile ini(path);
    ini.WriteString("S", "k", std::string(100000, 'x'));
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = ini.Release();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(error, "");
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(ini.Release(), "");  // a retry with room succeeds
  }
  EXPECT_EQ(ReadFile(path).size(), 5u + 2u + 100000u + 2u + 2u);
  // Leftover temporary files would be visible in the folder.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(MyIniFile, UnreadableFileIsNotReplaced) {
  TempFolder dir;
  std::filesystem::create_directory(dir / "t.ini");
  TMyIniFile ini(dir / "t.ini");
  ini.WriteString("S", "k", "v");
  EXPECT_NE(ini.Release(), "");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "t.ini"));
}

TEST(MyIniFile, InMemoryObjectNeverTouchesDisk) {
  TMyIniFile ini("");
  ini.WriteString("S", "k", "v");
  EXPECT_EQ(ini.Release(), "");
  EXPECT_EQ(ini.Lines(), (Lines{"[S]", "k=v", ""}));
}

TEST(MyIniFile, LargeFilesLoad) {
  TempFolder dir;
  // LF-only, a NUL in the middle, 120,000 sections before it.
  std::string text;
  for (int i = 1; i <= 120000; ++i) text += "[Cell_" + std::to_string(i) + "]\nv=" + std::to_string(i) + "\n\n";
  text += std::string("[After]\nk=1\0[Hidden]\nk=2\n", 25);
  const std::string big = dir.Write("big.ini", text);
  {
    TMyIniFile ini(big);
    EXPECT_EQ(ini.LineCount(), 120000u * 3 + 2);
    EXPECT_EQ(ini.ReadInteger("cell_1", "V", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Cell_120000", "v", 0), 120000);
    EXPECT_EQ(ini.ReadString("After", "k", ""), "1");
    EXPECT_EQ(ini.ReadString("Hidden", "k", "none"), "none");
    ini.WriteString("Cell_60000", "v", "x");
  }
  TMyIniFile again(big);
  EXPECT_EQ(again.ReadString("Cell_60000", "v", ""), "x");
  EXPECT_EQ(again.ReadString("Cell_60001", "v", ""), "60001");

  const std::string value(10 * 1024 * 1024, 'z');
  TMyIniFile huge(dir.Write("huge.ini", "[S]\r\nk=" + value + "\r\n"));
  EXPECT_EQ(huge.ReadString("S", "k", ""), value);
}

TEST(ProfileFile, LenientReading) {
  TempFolder dir;
  ProfileFile p(dir.Write("p.ini", W("[Other]\r\nk=0\r\n  [ Раздел ]  \r\n\r\n  Ключ  =  значение  \r\n\r\n"
                                     "hex=0x1F\r\nneg=-3\r\nnum=12abc\r\nzero=0\r\nbad=abc\r\nempty=\r\n")));
  EXPECT_EQ(p.ReadString(W("раздел"), W("КЛЮЧ"), "d"), W("значение"));
  EXPECT_EQ(p.ReadString(W("Раздел"), "empty", "d"), "");
  EXPECT_EQ(p.ReadString(W("Раздел"), "none", "d"), "d");
  EXPECT_EQ(p.ReadString("Missing", "k", "d"), "d");
  const struct {
    const char* key;
    std::int32_t value;
  } ints[] = {{"hex", 31}, {"neg", -3}, {"num", 12}, {"zero", 0}, {"bad", 7}, {"empty", 7}, {"none", 7}};
  for (const auto& c : ints) EXPECT_EQ(p.ReadInteger(W("Раздел"), c.key, 7), c.value) << c.key;
  EXPECT_TRUE(p.ReadBool(W("Раздел"), "neg", false));
  EXPECT_FALSE(p.ReadBool(W("Раздел"), "zero", true));
  EXPECT_TRUE(p.ReadBool(W("Раздел"), "none", true));
}

TEST(ProfileFile, EveryWriteSavesAndStrictReaderAgrees) {
  TempFolder dir;
  const std::string path = dir.Write("h.ini", "[A]\r\n a = 1 \r\nb=2\r\n\r\n[B]\r\nc=3\r\n");
  ProfileFile p(path);
  EXPECT_EQ(p.WriteString("a", "A", "10"), "");
  EXPECT_EQ(ReadFile(path), "[A]\r\na=10\r\nb=2\r\n\r\n[B]\r\nc=3\r\n");
  EXPECT_EQ(p.WriteString("A", "new", "x"), "");
  EXPECT_EQ(p.WriteString("C", "k", "v"), "");
  EXPECT_EQ(ReadFile(path), "[A]\r\na=10\r\nb=2\r\nnew=x\r\n\r\n[B]\r\nc=3\r\n\r\n[C]\r\nk=v\r\n\r\n");
  {
    TMyIniFile strict(path);
    EXPECT_EQ(strict.ReadString("A", "new", ""), "x");
    EXPECT_EQ(strict.ReadString("C", "k", ""), "v");
  }
  EXPECT_EQ(p.EraseSection("b"), "");
  EXPECT_EQ(p.ReadString("B", "c", "gone"), "gone");
  EXPECT_EQ(ReadFile(path), "[A]\r\na=10\r\nb=2\r\nnew=x\r\n\r\n[C]\r\nk=v\r\n\r\n");

  ProfileFile broken(dir / "missing/h.ini");
  EXPECT_NE(broken.WriteString("A", "k", "v"), "");
}

}  // namespace
}  // namespace rpt
