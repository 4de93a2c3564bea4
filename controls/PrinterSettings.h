#pragma once

class QPrinter;

namespace vantrel {

/// Gives `to` the choices the user makes for a print in `from`: the printer
/// or output file, the page (size, orientation, margins), the resolution,
/// colour, copies and their order, two-sided printing, the pages asked for
/// and the document's name. A printer holds more than its settings (the
/// recorded pages of the last preview), so a preview works on a printer of
/// its own made with these settings.
void CopyPrinterSettings(const QPrinter& from, QPrinter& to);

} // namespace vantrel
