#pragma once
// Shared set-up of the main-window tests of the controller: a temporary
// settings store, the simulated parallel port, a scripted dialog responder
// and helpers that fill the time program.

#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Dialogs.h"
#include "Main.h"
#include "PortIO.h"
#include "Registry.h"
#include "TimeProgram.h"

namespace VelorTimeTest {

using platform::tablestore::TValue;

// One row of a time program: id, title, replicates, the six times, data.
struct RowSpec {
    RowSpec(int AId, std::string ATitle, int AReplicates, double AW = 5, double AI = 3, double AReadAt = 6,
            double ART = 12, double APF = 1, double AVL = 2, std::string AData = {})
        : Id(AId), Title(std::move(ATitle)), Replicates(AReplicates), W(AW), I(AI), ReadAt(AReadAt), RT(ART),
          PF(APF), VL(AVL), Data(std::move(AData))
    {
    }
    int Id;
    std::string Title;
    int Replicates;
    double W, I, ReadAt, RT, PF, VL;
    std::string Data;
};

inline std::vector<TValue> RowValues(const RowSpec& R)
{
    std::vector<TValue> V(VelorTime::ProgramFieldCount);
    V[VelorTime::fldSampleID] = std::int32_t(R.Id);
    V[VelorTime::fldSampleName] = R.Title;
    V[VelorTime::fldSampleType] = std::string("Sample");
    V[VelorTime::fldReplicates] = std::int32_t(R.Replicates);
    V[VelorTime::fldWashingTime] = R.W;
    V[VelorTime::fldInjectionTime] = R.I;
    V[VelorTime::fldReadAt] = R.ReadAt;
    V[VelorTime::fldReplTime] = R.RT;
    V[VelorTime::fldProbeForward] = R.PF;
    V[VelorTime::fldValveLate] = R.VL;
    if (!R.Data.empty())
        V[VelorTime::fldReceivedData] = R.Data;
    return V;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        // The settings store and the desktop's data folder (the window
        // registers its file type there on its first start) are temporary.
        platform::registry::SetBaseFolder(Dir.filePath(QStringLiteral("registry")));
        OldDataHome = qgetenv("XDG_DATA_HOME");
        HadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", Dir.filePath(QStringLiteral("data")).toLocal8Bit());
        portio::test::Reset();
        portio::test::SetBackend(portio::Backend::Simulated);
        Previous = gui::SetResponder([this](const gui::DialogRequest& R) {
            Asked.push_back(R);
            if (R.form && OnForm)
                return gui::DialogReply{OnForm(R), {}, 0, {}};
            if (Replies.empty())
                return gui::DialogReply{gui::mrCancel, {}, 0, {}};
            gui::DialogReply Reply = Replies.front();
            Replies.pop_front();
            return Reply;
        });
        W = std::make_unique<VelorTime::TfrmMain>();
    }
    void TearDown() override
    {
        W.reset();
        gui::SetResponder(Previous);
        portio::test::Reset();
        platform::registry::SetBaseFolder(QString());
        if (HadDataHome)
            qputenv("XDG_DATA_HOME", OldDataHome);
        else
            qunsetenv("XDG_DATA_HOME");
    }

    platform::tablestore::TTable& Table() { return W->cdsProgram.Table(); }
    void SetRows(const std::vector<RowSpec>& Rows)
    {
        std::vector<std::vector<TValue>> Values;
        for (const RowSpec& R : Rows)
            Values.push_back(RowValues(R));
        Table().ReplaceRows(std::move(Values));
        W->SetModified(false);
    }
    std::string DataOf(int Row) { return Table().AsStringAt(Row, VelorTime::fldReceivedData); }

    // Messages shown, in order.
    std::vector<QString> Messages() const
    {
        std::vector<QString> Out;
        for (const gui::DialogRequest& R : Asked)
            if (R.kind == gui::RequestKind::Message)
                Out.push_back(R.text);
        return Out;
    }

    QTemporaryDir Dir;
    QByteArray OldDataHome;
    bool HadDataHome = false;
    std::unique_ptr<VelorTime::TfrmMain> W;
    std::vector<gui::DialogRequest> Asked;
    std::deque<gui::DialogReply> Replies;
    std::function<int(const gui::DialogRequest&)> OnForm;
    gui::Responder Previous;
};

}  // namespace VelorTimeTest
