#pragma once

#include <QPainter>

class QPrinter;

namespace vantrel {

/// Where printed pages go: the printer, or in tests pages kept in memory.
/// One document at a time: `Begin`, then `NewPage` before every page but the
/// first, then `End`.
class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    /// Starts the document; the painter for the first page, or null when the
    /// document cannot be started (no printer, an output file that cannot be
    /// written).
    virtual QPainter* Begin() = 0;
    /// Starts the next page; false when the job was cancelled or failed.
    virtual bool NewPage() = 0;
    /// Ends the document; false when it failed or was cancelled.
    virtual bool End() = 0;
    /// The device drawn on: its resolution (dots per inch) and its page,
    /// the printable area in device pixels.
    virtual const QPaintDevice& Device() const = 0;
};

/// The pages of a `QPrinter`: a real printer, or a PDF file when its output
/// format says so.
class PrinterTarget final : public PrintTarget {
public:
    explicit PrinterTarget(QPrinter& printer) : printer_(printer) {}
    QPainter* Begin() override;
    bool NewPage() override;
    bool End() override;
    const QPaintDevice& Device() const override;

private:
    QPrinter& printer_;
    QPainter painter_;
};

} // namespace vantrel
