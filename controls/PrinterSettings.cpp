#include "controls/PrinterSettings.h"

#include <QPrinter>

namespace vantrel {

void CopyPrinterSettings(const QPrinter& from, QPrinter& to) {
    // The output first: choosing a printer or a format gives the page the
    // printer's defaults, which the page layout below then replaces.
    to.setOutputFormat(from.outputFormat());
    if (from.outputFormat() == QPrinter::NativeFormat) {
        to.setPrinterName(from.printerName());
    }
    to.setOutputFileName(from.outputFileName());
    to.setPageLayout(from.pageLayout());
    to.setFullPage(from.fullPage());
    to.setResolution(from.resolution());
    to.setColorMode(from.colorMode());
    to.setCopyCount(from.copyCount());
    to.setCollateCopies(from.collateCopies());
    to.setPageOrder(from.pageOrder());
    to.setDuplex(from.duplex());
    to.setPaperSource(from.paperSource());
    to.setPrintRange(from.printRange());
    to.setFromTo(from.fromPage(), from.toPage());
    to.setPageRanges(from.pageRanges());
    to.setDocName(from.docName());
    to.setCreator(from.creator());
}

} // namespace vantrel
