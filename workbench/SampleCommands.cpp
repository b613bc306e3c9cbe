#include "SampleCommands.h"

#include <climits>
#include <cmath>
#include <cstdint>

#include "AASCls.h"
#include "Dialogs.h"
#include "EditCtrls.h"
#include "Interval.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"
#include "WaitCursor.h"
#include "XlsThread.h"

namespace VelorSpec {

namespace {

QString Q(const std::string& S)
{
    return QString::fromStdString(S);
}

void Call(const std::function<void()>& F)
{
    if (F)
        F();
}

// Asks for an interval proposed as [Start; End] and hands its two values to
// the sample's start and end setters, in this order; then the window is
// marked modified and its info rebuilt.  The curves do not change.
void SetIntervalBounds(const TSampleCommandHost& Host, const QString& Caption, double Start, double End,
                       void (TAASSample::*SetStart)(double), void (TAASSample::*SetEnd)(double))
{
    TfrmInterval Dialog(Host.Owner);
    SetupIntervalDialog(Dialog, *Host.Sample, Caption, Start, End);
    if (!Dialog.Execute())
        return;
    TWaitCursor Wait;
    (Host.Sample->*SetStart)(Dialog.sedStart->Value());
    (Host.Sample->*SetEnd)(Dialog.sedEnd->Value());
    Call(Host.SetModified);
    Call(Host.RefreshInfo);
}

}  // namespace

namespace SampleCommands {

void SubtractZero(const TSampleCommandHost& Host)
{
    TfrmInterval Dialog(Host.Owner);
    const long double Resolution = Host.Sample->GetResolution();
    SetupIntervalDialog(Dialog, *Host.Sample, QStringLiteral("Subtract Zero"), static_cast<double>(Resolution),
                        static_cast<double>(2 * Resolution));
    if (!Dialog.Execute())
        return;
    TWaitCursor Wait;
    Host.Sample->SubtractZero(Dialog.sedStart->Value(), Dialog.sedEnd->Value());
    Call(Host.RefreshCurves);
    Call(Host.SetModified);
    Call(Host.RefreshInfo);
}

void DefinePlateau(const TSampleCommandHost& Host)
{
    double Start = 0;
    double End = 0;
    Host.Sample->FindEdges(Start, End);
    SetIntervalBounds(Host, QStringLiteral("Define Plateau"), Start, End, &TAASSample::SetPeakStart,
                      &TAASSample::SetPeakEnd);
}

void CalculateArea(const TSampleCommandHost& Host)
{
    const TAASSample& S = *Host.Sample;
    const long double Resolution = S.GetResolution();
    const double Start = S.PeakStart() != NotSet ? S.PeakStart() : static_cast<double>(Resolution);
    const double End = S.PeakEnd() != NotSet ? S.PeakEnd() : static_cast<double>(2 * Resolution);
    SetIntervalBounds(Host, QStringLiteral("Calculate Area"), Start, End, &TAASSample::SetAreaStart,
                      &TAASSample::SetAreaEnd);
}

int WholePart(double Value)
{
    if (std::isnan(Value))
        return 0;
    const double W = std::trunc(Value);
    if (W <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (W >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(W);
}

bool AskResolution(QWidget* Owner, const QString& Caption, const char* PromptFormat, long double Resolution,
                   double& NewResolution)
{
    QString Answer = Q(Format("%.2f", 5 * Resolution));
    if (!gui::InputQuery(Caption, Q(Format(PromptFormat, Resolution)), Answer, Owner))
        return false;
    const std::string Text = Answer.toStdString();
    long double Value = 0;
    if (!TryStrToFloat(Text, Value))
        throw EConvertError(Format("\"%s\" is not a valid resolution.", Text));
    NewResolution = ToDouble(Value);
    return true;
}

void ChangeResolution(const TSampleCommandHost& Host, const QString& Caption, const char* PromptFormat)
{
    double NewResolution = 0;
    if (!AskResolution(Host.Owner, Caption, PromptFormat, Host.Sample->GetResolution(), NewResolution))
        return;
    TWaitCursor Wait;
    Host.Sample->SetResolution(NewResolution);
    Call(Host.RefreshCurves);
    Call(Host.SetModified);
    Call(Host.RefreshInfo);
}

void SmoothSignal(const TSampleCommandHost& Host)
{
    TWaitCursor Wait;
    TfrmSmooth Dialog(nullptr);
    Dialog.sedPoints->SetMaxValue(Host.Sample->GetItem(0)->Count() / 2 - 1);
    if (!Dialog.Execute())
        return;
    const auto Kind = static_cast<std::uint8_t>(Dialog.rgMethod->ItemIndex());
    Host.Sample->Smooth(Kind, WholePart(Dialog.sedPoints->Value()));
    Call(Host.RefreshCurves);
    Call(Host.SetModified);
    Call(Host.RefreshInfo);
}

void Absorbtion(const TSampleCommandHost& Host)
{
    Host.Sample->SetAbsorbtion(!Host.Sample->Absorbtion());
    Call(Host.RefreshCurves);
    Call(Host.RefreshInfo);
}

void DeleteReplicate(const TSampleCommandHost& Host, const QString& NodeText, int Index,
                     const std::function<void()>& RemoveNode)
{
    const QString Question = QStringLiteral("Are you really want to delete %1 ?").arg(NodeText);
    if (gui::MessageDlg(Question, gui::MsgDlgType::Confirmation, gui::mbYesNo, Host.Owner) != gui::mrYes)
        return;
    Host.Sample->Remove(Host.Sample->GetItem(Index));
    Call(RemoveNode);
    Call(Host.RefreshCurves);
    Call(Host.RefreshInfo);
    Call(Host.SetModified);
}

void SendToExcel(const TAASSample& Sample)
{
    TxlsThread::SendToExcel(&Sample);
}

}  // namespace SampleCommands

QString UpperFileExt(const QString& FileName)
{
    const int Dot = FileName.lastIndexOf(QLatin1Char('.'));
    const int Sep = FileName.lastIndexOf(QLatin1Char('/'));
    if (Dot <= Sep)
        return {};
    QString Ext = FileName.mid(Dot);
    for (QChar& C : Ext)
        if (C >= QLatin1Char('a') && C <= QLatin1Char('z'))
            C = QChar(C.unicode() - 'a' + 'A');
    return Ext;
}

QString ChangeFileExt(const QString& FileName, const QString& Ext)
{
    const int Dot = FileName.lastIndexOf(QLatin1Char('.'));
    const int Sep = FileName.lastIndexOf(QLatin1Char('/'));
    return (Dot > Sep ? FileName.left(Dot) : FileName) + Ext;
}

bool LoadSampleFile(TAASSample& Sample, const QString& FileName)
{
    const int Skip = UpperFileExt(FileName) == QLatin1String(".AAT") ? 6 : 0;
    return Sample.LoadFromFile(FileName.toStdString(), Skip);
}

QString WriteSampleFile(const TAASSample& Sample, const QString& FileName)
{
    const QString TextName = ChangeFileExt(FileName, QStringLiteral(".AST"));
    if (UpperFileExt(FileName) == QLatin1String(".ASB"))
        Sample.SaveToBinaryFile(FileName.toStdString());
    // The binary writer writes nothing, so the text file under the ".AST"
    // name is written in both cases.  The writer leaves any old file
    // untouched when it fails.
    if (!Sample.SaveToFile(TextName.toStdString()))
        throw Exception(Format("Cannot save the sample to \"%s\".", TextName.toStdString()));
    return TextName;
}

}  // namespace VelorSpec
