#include "ReceivedData.h"

#include "AASCls.h"

namespace VelorTime {

std::vector<std::string> StoredBlockLines(std::string_view Stored)
{
    std::vector<std::string> Lines = TextToLines(Stored);
    if (!Lines.empty())
        Lines.erase(Lines.begin());
    return Lines;
}

int FindEndMarker(const std::vector<std::string>& Lines)
{
    for (std::size_t I = 0; I < Lines.size(); ++I)
        if (Lines[I] == ReplicateEndMarker)
            return static_cast<int>(I);
    return -1;
}

std::string PrependBlock(const std::vector<std::string>& Lines, int MarkerIndex,
                         const std::string& Current)
{
    std::size_t Size = Current.size();
    for (int I = 0; I <= MarkerIndex; ++I)
        Size += 2 + Lines[static_cast<std::size_t>(I)].size();
    std::string Text;
    Text.reserve(Size);
    for (int I = 0; I <= MarkerIndex; ++I) {
        Text += "\r\n";
        Text += Lines[static_cast<std::size_t>(I)];
    }
    Text += Current;
    return Text;
}

void DistributeReceivedLines(std::vector<std::string>& Lines, const TReceivedRows& Rows)
{
    Rows.First();
    while (!Rows.Eof() && !Lines.empty()) {
        if (Rows.ReceivedData().empty()) {
            const int N = Rows.Replicates();
            for (int R = 0; R < N; ++R) {
                const int K = FindEndMarker(Lines);
                if (K < 0) {
                    Lines.clear();
                    return;
                }
                // The block leaves the list only once its row took it.
                Rows.PostReceivedData(PrependBlock(Lines, K, Rows.ReceivedData()));
                Lines.erase(Lines.begin(), Lines.begin() + K + 1);
            }
        }
        Rows.Next();
    }
    Lines.clear();
}

void AppendTestStream(std::vector<std::string>& Lines)
{
    Lines.reserve(Lines.size() + 502);
    for (int Block = 0; Block < 2; ++Block) {
        for (int I = 0; I < 250; ++I)
            Lines.push_back(std::to_string(Block * 250 + I));
        Lines.emplace_back(ReplicateEndMarker);
    }
}

}  // namespace VelorTime
