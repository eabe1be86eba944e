// The printer set-up: Qt's own print dialog (so tests drive it; printing to
// PDF stays offered, on many machines the only printer).
#include "frame.h"
#include "texts.h"

#include "platform/export.h"
#include "platform/handles.h"
#include "stockwin/stockwin.h"

#include <QPrintDialog>
#include <QPrinter>

#include <memory>

namespace sw {
namespace {
constexpr unsigned kDlgPrintSetup = 1003;  // the observer's id of the print dialog
} // namespace
} // namespace sw

using namespace sw;

ZERLO_EXPORT uint32_t SW52_PrintSetup(PrintSetupParams* p) {
  if (!p) return 0;
  auto printer = std::make_shared<std::unique_ptr<QPrinter>>();
  int lastPage = p->lastPage & 0xFFFF;
  int r = run(p->owner, kDlgPrintSetup, [printer, lastPage](QWidget* parent) -> QDialog* {
    *printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    auto* d = new QPrintDialog(printer->get(), parent);
    d->setOption(QAbstractPrintDialog::PrintPageRange, false);
    d->setOption(QAbstractPrintDialog::PrintSelection, false);
    d->setOption(QAbstractPrintDialog::PrintToFile, true);
    d->setMinMax(1, std::max(1, lastPage));
    d->setFromTo(1, std::max(1, lastPage));
    return d;
  });
  if (r != QDialog::Accepted || !*printer) return 0;
  if (!(*printer)->isValid()) {
    message(kPrintFailed);
    return 0;
  }
  QPrinter* taken = printer->release();
  return plat::handles::allocate(taken, SW_PRINTER_HANDLE_KIND);
}
