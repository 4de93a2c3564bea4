#include "controls/PrintTarget.h"

#include <QPrinter>

namespace vantrel {

QPainter* PrinterTarget::Begin() {
    if (printer_.printerState() == QPrinter::Aborted || !painter_.begin(&printer_)) {
        return nullptr;
    }
    return &painter_;
}

bool PrinterTarget::NewPage() {
    return printer_.printerState() != QPrinter::Aborted && printer_.newPage();
}

bool PrinterTarget::End() {
    const bool ended = !painter_.isActive() || painter_.end();
    const QPrinter::PrinterState state = printer_.printerState();
    return ended && state != QPrinter::Aborted && state != QPrinter::Error;
}

const QPaintDevice& PrinterTarget::Device() const {
    return printer_;
}

} // namespace vantrel
