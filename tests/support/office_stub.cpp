#include "support/office_stub.h"

#include <filesystem>
#include <fstream>

namespace rpt::testing {

std::string WriteOfficeStub(const std::string& bin) {
  namespace fs = std::filesystem;
  fs::create_directories(bin);
  std::ofstream(bin + "/soffice") << R"(#!/usr/bin/env python3
import os, sys
args = sys.argv[1:]
with open(os.path.join(os.path.dirname(__file__), "runs.log"), "a") as log:
    log.write(" ".join(args) + "\n")
out = args[args.index("--outdir") + 1]
for f in args[args.index("--outdir") + 2:]:
    text = b"BT /F1 24 Tf 72 720 Td (STUB PAGE) Tj ET"
    objs = [b"<< /Type /Catalog /Pages 2 0 R >>",
            b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R"
            b" /Resources << /Font << /F1 5 0 R >> >> >>",
            b"<< /Length %d >>\nstream\n" % len(text) + text + b"\nendstream",
            b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
    pdf, offsets = b"%PDF-1.4\n", []
    for i, o in enumerate(objs):
        offsets.append(len(pdf))
        pdf += b"%d 0 obj\n" % (i + 1) + o + b"\nendobj\n"
    xref = len(pdf)
    pdf += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    pdf += b"".join(b"%010d 00000 n \n" % o for o in offsets)
    pdf += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, xref)
    with open(os.path.join(out, os.path.splitext(os.path.basename(f))[0] + ".pdf"), "wb") as o:
        o.write(pdf)
)";
  fs::permissions(bin + "/soffice", fs::perms::owner_all);
  return bin;
}

}  // namespace rpt::testing
