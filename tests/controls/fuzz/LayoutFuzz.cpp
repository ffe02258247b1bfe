// libFuzzer target: arbitrary text is read as a window layout, with every class of the toolkit and
// the controls known. A layout error is the expected answer to bad text; any other exception, a
// crash or a sanitizer report is a finding.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "Controls.h"
#include "Errors.h"
#include "Forms.h"
#include "FuzzQt.h"
#include "Layout.h"

namespace {

// The program's layouts are up to about 20 KB; longer text only slows each execution down.
constexpr std::size_t kMaxText = 32768;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vx::StartFuzzApplication(argc, argv);
    vx::RegisterToolkitClasses();
    vx::RegisterControlClasses();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxText) {
        return 0;
    }
    vx::TForm form;
    try {
        vx::TLayoutReader::Read(QStringLiteral("Fuzz"),
                                QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
                                form);
    } catch (const vx::ELayoutError&) {
    }
    return 0;
}
