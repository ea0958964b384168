// The report's text documents on paper or in a PDF, through LibreOffice run
// headless (an RTF document set up on A4 paper upright first, as documents
// are printed), and PDF files joined with pdfunite (poppler-utils) or qpdf.
// Each run of LibreOffice gets a profile of its own, so that an office the
// user has open neither takes the job over nor is disturbed by it.
#pragma once

#include <string>
#include <vector>

namespace rpt::painting {

// The programs found on PATH; empty when absent.
struct OfficeTools {
  std::string office;  // soffice, else libreoffice
  std::string merger;  // pdfunite, else qpdf
  static OfficeTools Find();
};

// Converts the documents to PDF in one run of the office program, into
// `outDir` (UTF-8, existing). Returns each document's PDF path, empty for
// one that was not converted; `error` tells why the run failed.
std::vector<std::string> ConvertToPdf(const std::string& office, const std::vector<std::string>& documents,
                                      const std::string& outDir, std::string& error);

// Prints a document on the named printer (the default printer when empty).
// Empty on success, else why it failed.
std::string PrintOnPrinter(const std::string& office, const std::string& document, const std::string& printer);

// Joins the PDF files in order into `out`, written beside it and renamed
// into place. Empty on success, else why it failed.
std::string JoinPdfs(const std::string& merger, const std::vector<std::string>& parts, const std::string& out);

// The page count of a PDF file by the merger's family of tools (pdfinfo
// beside pdfunite, qpdf itself); 0 when it cannot be told.
int PdfPageCount(const std::string& merger, const std::string& pdf);

}  // namespace rpt::painting
