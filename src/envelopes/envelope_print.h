// The envelope printer: places the envelope on the printer's page for the
// way the user feeds envelopes (position, orientation, facing, clockwise
// turn) and draws the return address, the message line, the delivery
// address and the bar code at the setup's places, one envelope per page
// for each selected contact record.
//
// TEnvelopePrint is the job of the envelope status window without the
// window, as TLabelPrint is for labels: it owns the printer report and the
// file report; the window or the command line runs FormActivate.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

#include "envelopes/envelope_setup.h"
#include "labels/print_job.h"

namespace qv {

class JobHost;
class ReportCanvas;
class TableObject;

// Where the envelope's top-left corner lies on the page, in inches.
struct EnvelopeOffsets {
  float left = 0;
  float top = 0;
};

// True when page and envelope agree in whole tenths of an inch both ways;
// the sizes of the envelope are the setup's single-precision values.
bool PageIsEnvelopeSized(double pageWidth, double pageHeight, float envelopeWidth,
                         float envelopeHeight);

// The feed-method offsets: `position` is already below 10 (0 left, 1
// right, 2 center) and `clockwise` says whether it was 10 or more, with
// left and right already exchanged. A negative offset becomes 0; an
// envelope-sized page gets none.
EnvelopeOffsets FeedOffsets(int facing, int orientation, int position, bool clockwise,
                            double pageWidth, double pageHeight, float envelopeWidth,
                            float envelopeHeight);

// A stored POSITION of 10 to 12 as the printer takes it: 10 subtracted
// and left and right exchanged; `clockwise` tells whether it was.
int FeedPosition(int storedPosition, bool* clockwise);

// The setup as the printer can use it: a missing or zero envelope size
// becomes the #10 envelope, negative places 0, font sizes outside 1 to 500
// points the default sizes, blank font names Arial, unknown feed codes the
// default feed.
TEnvelopeSetup PrintableEnvelopeSetup(const TEnvelopeSetup& setup);

// The stamp drawn on previews that are not envelope-sized.
QImage StampImage();

// The bar code above the delivery address whose top-left corner is at
// (`left`, `top`) on the canvas: POSTNET of `zip` (with the delivery-point
// digits of `street` for a ZIP+4). False, drawing nothing, when the ZIP
// does not qualify or `country` is a foreign one.
bool DrawEnvelopeBarCode(ReportCanvas& canvas, const QString& zip, const QString& street,
                         const QString& country, double left, double top);

class ImbNumbering;

class TEnvelopePrint : public PrintJob {
 public:
  // `table` is the contact table positioned on the first record to print,
  // under the run's selection. `onlyCurrent`: print that record alone.
  TEnvelopePrint(TableObject& table, JobHost& host);
  ~TEnvelopePrint() override;

  // The setup with its stored POSITION (10 or more for clockwise); the job
  // reduces it itself.
  void setSetup(const TEnvelopeSetup& setup);
  const TEnvelopeSetup& setup() const { return m_setup; }
  bool clockwise() const { return m_clockwise; }
  // The outline and stamp of previews on paper larger than the envelope;
  // on by default for previews.
  void setDecorate(bool on) { m_decorate = on; }
  // One envelope, for the current record only.
  void setSingleRecord(bool on) { m_single = on; }

  // ---- The report's events
  void BeforePrintEnvelope(ReportCanvas& sender);
  void PrintEnvelope(ReportCanvas& sender);
  void AfterPrintEnvelope(ReportCanvas&) {}

  // Cancel aborts a print without asking.
  QString OutcomeText() const override;
  long long EnvelopesPrinted() const { return m_envelopes; }
  EnvelopeOffsets Offsets() const { return m_offsets; }

  // The serial numbers of an Intelligent Mail run (not owned); without
  // them such a setup prints no bar codes, each envelope with a warning.
  void setImbNumbering(ImbNumbering* numbering) { m_imb = numbering; }
  // The envelopes that went out without their bar code, a line each.
  const QStringList& BarCodeWarnings() const { return m_barCodeWarnings; }

 private:
  // One envelope for the table's current record at the run's offsets.
  void PrintOneEnvelope(ReportCanvas& r);
  void PrintBlock(ReportCanvas& r, double left, double top, const QStringList& lines);

  TableObject& m_table;
  TEnvelopeSetup m_setup;
  bool m_clockwise = false;
  bool m_decorate = true;
  bool m_single = false;
  long long m_envelopes = 0;
  EnvelopeOffsets m_offsets;
  QStringList m_lines;
  QStringList m_barCodeWarnings;
  ImbNumbering* m_imb = nullptr;
  QImage m_stamp;
};

}  // namespace qv
