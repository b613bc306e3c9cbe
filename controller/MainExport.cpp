// "Save As Experiment": the readings stored in the rows, written as an
// experiment file for the workbench.

#include "Main.h"

#include "AASCls.h"
#include "ExperimentExport.h"
#include "FileNames.h"
#include "TimeProgram.h"

namespace VelorTime {

void TfrmMain::acInstrSaveExperimentExecute()
{
    TTable& Table = cdsProgram.Table();
    Table.DisableControls();
    const int Remembered = Table.RecNo();
    struct Restore {
        TTable& T;
        int Row;
        ~Restore()
        {
            try {
                if (Row >= 0 && Row < T.RecordCount())
                    T.MoveTo(Row);
            } catch (...) {
            }
            T.EnableControls();
        }
    } BackAgain{Table, Remembered};

    std::vector<std::string> Texts;
    for (Table.First(); !Table.Eof(); Table.Next())
        Texts.push_back(Table.AsString(fldReceivedData));
    const std::unique_ptr<TAASExperiment> Experiment = BuildExperiment(Texts);
    if (Experiment->Count() == 0)
        return;
    if (!gui::ExecuteSaveDialog(dlgSaveExp, this))
        return;
    Experiment->SaveToFile(gui::LocalPath(ExperimentFileName(dlgSaveExp.fileName)));
}

void TfrmMain::ConnectExportCommands()
{
    dlgSaveExp.filter = QStringLiteral("AAS Experiment Files(*.AXP)|*.AXP");
    dlgSaveExp.overwritePrompt = true;
    acList->SetExecute(acInstrSaveExperiment, [this](QAction*) { acInstrSaveExperimentExecute(); });
}

}  // namespace VelorTime
