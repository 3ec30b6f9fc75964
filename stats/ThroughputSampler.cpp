// The once-a-second load sample, its peak hold, the scale labels and the level picture.
#include "app/NimbrelDlg.h"

#include <string>
#include <utility>

#include "stats/AdapterList.h"
#include "stats/SamplerMath.h"

namespace {

constexpr int kGraphRangeLow = 1;
constexpr int kTopLabelDivisor = 10;
constexpr int kMiddleLabelDivisor = 20;
constexpr char kBottomLabelText[] = "0%";

}  // namespace

static_assert(CNimbrelDlg::kHistorySize == sampler::kHistorySize, "one history length");

void CNimbrelDlg::SampleThroughput() {
    if (AdapterTable.empty() || !adapters::IsListedItem(SelectedAdapter, listedAdapterCount_)) return;
    RefreshAdapterTable();
    const MIB_IFROW* row = adapters::ChosenRow(AdapterTable, AdapterRowMap, listedAdapterCount_, SelectedAdapter);
    if (!row) return;

    InRate = sampler::StepRate(row->dwInOctets, LastInOctets, LinkSpeedDivisor);
    LastInOctets = row->dwInOctets;
    OutRate = sampler::StepRate(row->dwOutOctets, LastOutOctets, LinkSpeedDivisor);
    LastOutOctets = row->dwOutOctets;

    sampler::LevelHistory history{ThroughputHistory, HistoryWriteIndex, PeakLevel, PeakHold};
    if (history.Record(sampler::StepLevel(InRate, OutRate))) {
        histogram_.SetValueRange(kGraphRangeLow, PeakLevel);
        std::string top = sampler::PercentLabel(PeakLevel, kTopLabelDivisor);
        ShowLoadLevel(PeakLevel);
        std::string middle = sampler::PercentLabel(PeakLevel, kMiddleLabelDivisor);
        // An idle adapter republishes the same peak every second; texts the controls already
        // show are not written again, which would only repaint the labels.
        if (top != TopLabel || middle != MiddleLabel || BottomLabel != kBottomLabelText) {
            TopLabel = std::move(top);
            MiddleLabel = std::move(middle);
            BottomLabel = kBottomLabelText;
            UpdateData(false);
        }
    }

    histogram_.AddSample(static_cast<UINT>(InRate), static_cast<UINT>(OutRate));
}

void CNimbrelDlg::ShowLoadLevel(int peak) {
    int level = sampler::LoadLevelFor(peak);
    if (level == LoadLevel) return;
    ShowPicture(sampler::LevelPictureResource(level));
    LoadLevel = level;
}
