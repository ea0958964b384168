// A word-processor document held as RTF: the operations the report's
// export asks of a word processor, carried out on the file's own token
// stream, so that whatever a template or a document holds and this model
// does not understand passes through unchanged.
//
// The model knows the header tables (fonts, colours, styles), sections
// with their page setup, and the tables of the running text: rows from
// \trowd to \row, cells ending with \cell, consecutive rows forming one
// table. Tables and their rows and cells count from 1, in document order;
// tables nested in a cell are part of that cell.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/output/rtf_syntax.h"

namespace rpt::output::rtf {

enum class BreakKind { Page, Section };

class RtfDocument {
 public:
  // An empty A4 portrait document.
  RtfDocument();
  // Reads any bytes: what is not RTF becomes text of the document.
  static RtfDocument Parse(std::string_view rtf);

  // The whole document as RTF text.
  std::string Write() const;

  // Another document's content at the end of this one: its fonts, colours
  // and styles joined to this document's, its first section continuing the
  // last one here, its further sections following.
  void Append(const RtfDocument& other);

  int TableCount() const { return static_cast<int>(tables_.size()); }
  int RowCount(int table) const;
  int CellCount(int table, int row) const;
  // Replaces a cell's content with `text` (Windows-1251), keeping the
  // paragraph and character formatting where the old content began; bold
  // 1 or 0 sets it, -1 leaves the formatting as it is. False when there is
  // no such cell.
  bool SetCellText(int table, int row, int column, std::string_view text, int bold = -1);
  // A new last row, a copy of the last one with its cells emptied.
  bool AddRow(int table);
  // No borders on any cell or row of the table.
  bool RemoveBorders(int table);
  // A cell's text (Windows-1251), for reading back.
  std::string CellText(int table, int row, int column) const;

  void InsertBreak(BreakKind kind);
  int SectionCount() const { return static_cast<int>(sections_.size()); }
  bool SectionLandscape(int section) const;  // from 1
  void SetLastSectionOrientation(bool landscape);
  // A4 paper upright in every section, the margins as they are: the page
  // setup a document is printed with.
  void SetPortraitA4();
  // Centred page numbers in the footer of every page but the first.
  void AddPageNumbers();
  // Every table-of-contents field replaced by its entries: the headings of
  // its outline levels in document order, each with a page reference to a
  // bookmark on the heading, which the word processor computes.
  int UpdateTablesOfContents();

  // The running text (Windows-1251): paragraphs on lines, cells separated
  // by tabs. For tests and diagnostics.
  std::string PlainText() const;

 private:
  struct Block {
    bool row = false;
    std::vector<Token> tokens;
    std::vector<std::size_t> cellEnds;  // rows: the index of each \cell
  };
  struct Section {
    std::vector<Token> props;  // after \sectd
    std::vector<Block> blocks;
  };
  struct TableRef {
    std::size_t section, first, rows;
  };
  struct Entry {  // a font, colour or style of the header
    std::int32_t number = 0;
    std::string kind;  // style kind: "s", "cs", "ts", "ds"
    std::string name;
    std::int32_t charset = 0;
    std::vector<Token> tokens;  // inside the entry's braces
  };

  void ParseBody(const std::vector<Token>& tokens, std::size_t from, std::size_t to);
  void Reindex();
  Block* RowBlock(int table, int row);
  const Block* RowBlock(int table, int row) const;
  std::vector<Token>& Tail();  // where inserted running text goes

  std::vector<Token> prelude_;        // \rtf1 \ansi ... and document formatting
  std::vector<Entry> fonts_;
  std::vector<std::int32_t> colors_;  // -1: automatic, else 0xRRGGBB
  std::vector<Entry> styles_;
  std::vector<std::vector<Token>> otherHeader_;  // groups kept as they are
  std::int32_t defaultFont_ = 0;
  std::vector<Section> sections_;
  std::vector<TableRef> tables_;
  int bookmarks_ = 0;
};

}  // namespace rpt::output::rtf
