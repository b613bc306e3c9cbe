#pragma once
// "View Received Data As Graphic": a row's received readings as a chart,
// either one curve per replicate block laid over each other ("Overlapped")
// or every reading one after another ("Sequenced").

#include <QDialog>

#include <memory>
#include <vector>

class QAction;
class QActionGroup;
class QChart;
class QLineSeries;
class QMenuBar;
class QValueAxis;

namespace gui {
class TChartView;
}

namespace VelorTime {

class TfrmViewGraphic : public QDialog {
    Q_OBJECT
public:
    // Builds the window and its series from a row's stored text.  A line that
    // is not a number raises the conversion error.
    TfrmViewGraphic(QWidget* Owner, const QString& Stored);
    ~TfrmViewGraphic() override;

    void LoadData(const QString& Stored);

    QChart* Chart = nullptr;
    gui::TChartView* ChartView = nullptr;
    QValueAxis* AxisX = nullptr;
    QValueAxis* AxisY = nullptr;
    QMenuBar* MainMenu = nullptr;
    QAction* miChartCopy = nullptr;
    QAction* miChartPrint = nullptr;
    QAction* miChartPrintPreview = nullptr;
    QAction* miChartPrintSetup = nullptr;
    QAction* miChartClose = nullptr;
    QAction* miViewOverlapped = nullptr;  // Tag 0
    QAction* miViewSequenced = nullptr;   // Tag 1
    QAction* miViewChartOptions = nullptr;

    // Every reading one after another; on the chart only in the Sequenced view.
    std::unique_ptr<QLineSeries> FSequencedSeries;
    // One series per replicate block, in text order.
    std::vector<std::unique_ptr<QLineSeries>> FReplicateSeries;

    void miChartCopyClick();
    void miChartCloseClick();
    void miViewOverlappedClick(QAction* Sender);

private:
    QLineSeries* NewReplicateSeries();
    void Attach(QLineSeries* Series);
    void Detach(QLineSeries* Series);
    void FitAxes();

    int FView = 0;  // tag of the marked view item
};

// The grid's "Graphics" button: the chart viewer on a row's text with the
// row's title, modal.  A text that does not convert shows the error instead.
void ShowReceivedDataGraphic(const QString& Stored, const QString& Title);

}  // namespace VelorTime
