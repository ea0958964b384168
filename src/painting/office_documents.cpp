#include "painting/office_documents.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <filesystem>
#include <system_error>

#include "core/output/word_export.h"

namespace rpt::painting {

namespace {

// A document of a few pages converts in seconds; the first run of a fresh
// profile takes longer on a busy machine.
constexpr int kOfficeTimeoutMs = 300'000;
constexpr int kToolTimeoutMs = 60'000;

std::string Found(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!path.isEmpty()) return path.toStdString();
  }
  return {};
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Runs a program to its end; empty on success, else why it failed.
std::string Run(const std::string& program, const QStringList& args, int timeoutMs, QByteArray* output = nullptr) {
  QProcess p;
  p.setProcessChannelMode(output ? QProcess::SeparateChannels : QProcess::MergedChannels);
  p.start(Q(program), args);
  if (!p.waitForStarted()) return program + " does not start";
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    return program + " did not finish in time";
  }
  if (output) *output = p.readAllStandardOutput();
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    QByteArray said = output ? p.readAllStandardError() : p.readAll();
    return program + " failed (exit code " + std::to_string(p.exitCode()) + ")" +
           (said.trimmed().isEmpty() ? "" : ": " + said.trimmed().toStdString());
  }
  return {};
}

// A copy of a document for the office to print: an RTF document set up on
// A4 paper upright (its margins kept), as documents are printed; any other
// file as it is.
bool CopyForPrinting(const QString& from, const QString& to) {
  if (QFileInfo(from).suffix().compare(QLatin1String("rtf"), Qt::CaseInsensitive) != 0) return QFile::copy(from, to);
  QFile in(from);
  if (!in.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = in.readAll();
  const std::string printable = output::PrintableRtf(std::string_view(bytes.constData(), bytes.size()));
  QFile out(to);
  return out.open(QIODevice::WriteOnly) &&
         out.write(printable.data(), static_cast<qint64>(printable.size())) == static_cast<qint64>(printable.size());
}

// The office's private profile for one run.
QString ProfileArgument(const QString& folder) {
  return QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(folder).toString();
}

}  // namespace

OfficeTools OfficeTools::Find() {
  return {Found({"soffice", "libreoffice"}), Found({"pdfunite", "qpdf"})};
}

std::vector<std::string> ConvertToPdf(const std::string& office, const std::vector<std::string>& documents,
                                      const std::string& outDir, std::string& error) {
  std::vector<std::string> pdfs(documents.size());
  if (documents.empty()) return pdfs;
  QTemporaryDir work;
  if (!work.isValid()) {
    error = "no temporary folder for the office";
    return pdfs;
  }
  // Copies under plain names of their own: two documents of one name (or
  // with letters the office's command line mangles) cannot collide.
  QStringList args{ProfileArgument(work.filePath("profile")), "--headless", "--norestore", "--convert-to", "pdf",
                   "--outdir", Q(outDir)};
  std::vector<std::string> expected(documents.size());
  for (std::size_t i = 0; i < documents.size(); ++i) {
    const QString base = QStringLiteral("doc-%1").arg(i + 1, 3, 10, QLatin1Char('0'));
    const QString suffix = QFileInfo(Q(documents[i])).suffix();
    const QString copy = work.filePath(base + (suffix.isEmpty() ? QString() : "." + suffix));
    if (!CopyForPrinting(Q(documents[i]), copy)) continue;
    args << copy;
    expected[i] = QDir(Q(outDir)).filePath(base + ".pdf").toStdString();
  }
  error = Run(office, args, kOfficeTimeoutMs);
  for (std::size_t i = 0; i < documents.size(); ++i) {
    std::error_code ec;
    if (!expected[i].empty() && std::filesystem::file_size(expected[i], ec) > 0 && !ec) pdfs[i] = expected[i];
  }
  return pdfs;
}

std::string PrintOnPrinter(const std::string& office, const std::string& document, const std::string& printer) {
  QTemporaryDir work;
  if (!work.isValid()) return "no temporary folder for the office";
  QStringList args{ProfileArgument(work.filePath("profile")), "--headless", "--norestore"};
  if (printer.empty())
    args << "-p";
  else
    args << "--pt" << Q(printer);
  const QString copy = work.filePath("document." + QFileInfo(Q(document)).suffix());
  if (!CopyForPrinting(Q(document), copy)) return "cannot read " + document;
  args << copy;
  return Run(office, args, kOfficeTimeoutMs);
}

std::string JoinPdfs(const std::string& merger, const std::vector<std::string>& parts, const std::string& out) {
  namespace fs = std::filesystem;
  if (parts.empty()) return "nothing to join";
  const std::string temporary = out + ".part";
  std::error_code ec;
  if (parts.size() == 1) {
    fs::copy_file(parts[0], temporary, fs::copy_options::overwrite_existing, ec);
    if (ec) return ec.message();
  } else {
    QStringList args;
    const bool qpdf = QFileInfo(Q(merger)).fileName() == QLatin1String("qpdf");
    if (qpdf) args << "--empty" << "--pages";
    for (const auto& p : parts) args << Q(p);
    if (qpdf) args << "--";
    args << Q(temporary);
    if (std::string why = Run(merger, args, kToolTimeoutMs); !why.empty()) {
      fs::remove(temporary, ec);
      return why;
    }
  }
  fs::rename(temporary, out, ec);
  if (ec) {
    const std::string why = ec.message();
    fs::remove(temporary, ec);
    return why;
  }
  return {};
}

int PdfPageCount(const std::string& merger, const std::string& pdf) {
  QByteArray out;
  if (QFileInfo(Q(merger)).fileName() == QLatin1String("qpdf")) {
    if (!Run(merger, {"--show-npages", Q(pdf)}, kToolTimeoutMs, &out).empty()) return 0;
    return out.trimmed().toInt();
  }
  const std::string info = Found({"pdfinfo"});
  if (info.empty() || !Run(info, {Q(pdf)}, kToolTimeoutMs, &out).empty()) return 0;
  for (const QByteArray& line : out.split('\n'))
    if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
  return 0;
}

}  // namespace rpt::painting
