// TimerList.cpp - CTimerList.
#include "TimerList.h"

#include "NumberInput.h"
#include "TimerBoard.h"

#include <yrapi/log/LogInterface.h>

#include <optional>

namespace Tamberon {

const char* CTimerList::Heading(int nColumn) {
    switch (nColumn) {
        case kNumber:
            return "Timer";
        case kInterval:
            return "Interval";
        case kCount:
            return "Count";
        case kFired:
            return "Fired";
        default:
            return "";
    }
}

CTimerList::~CTimerList() {
    for (const row& timer : rows) {
        if (timer.nSlot >= 0) RemoveBoardTimer(timer.nSlot);
    }
}

timer_add CTimerList::Add(const std::string& szInterval, const std::string& szCount) {
    timer_add outcome;
    std::optional<long long> nInterval =
        ReadNumber(szInterval, 1, 3600000, "Interval (ms)", &outcome.szText);
    if (!nInterval) {
        outcome.nBadField = 0;
        return outcome;
    }
    std::optional<long long> nCount = ReadNumber(szCount, -1, 1000000, "Count", &outcome.szText);
    if (!nCount || *nCount == 0) {
        if (nCount) {
            outcome.szText =
                "Count: 0 would never fire; enter -1 (no end) or a number from 1 to 1000000";
        }
        outcome.nBadField = 1;
        return outcome;
    }
    std::optional<int> nSlot =
        AddBoardTimer(static_cast<std::uint32_t>(*nInterval), static_cast<std::int32_t>(*nCount));
    if (!nSlot) {
        outcome.szText = "No timer added: at most " + std::to_string(kMaxTimers) +
                         " timers run at once; remove one first.";
        return outcome;
    }
    int nNumber = nNextNumber++;
    rows.push_back(row{nNumber, *nSlot, *nInterval, *nCount});
    outcome.bAdded = true;
    outcome.szText = "Timer #" + std::to_string(nNumber) + " added.";
    YRAPI::CYRLogInterface::Log(4, "Tamberon: timer #%d added, every %lld ms, count %lld", nNumber,
                                *nInterval, *nCount);
    return outcome;
}

std::uint32_t CTimerList::Fired(std::size_t nRow) const {
    if (nRow >= rows.size()) return 0;
    const row& timer = rows[nRow];
    return timer.nSlot < 0 ? timer.nFinal : BoardTimerFired(timer.nSlot);
}

std::string CTimerList::Remove(std::size_t nRow) {
    if (nRow >= rows.size()) return {};
    std::uint32_t nFired = Fired(nRow);
    if (rows[nRow].nSlot >= 0) RemoveBoardTimer(rows[nRow].nSlot);
    std::string szName = Text(nRow, kNumber);
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(nRow));
    YRAPI::CYRLogInterface::Log(4, "Tamberon: timer %s removed after %u firings", szName.c_str(),
                                nFired);
    return "Timer " + szName + " removed after " + FiringsText(nFired) + ".";
}

bool CTimerList::Refresh() {
    bool bRunning = false;
    for (row& timer : rows) {
        std::uint32_t nFired = timer.nSlot < 0 ? timer.nFinal : BoardTimerFired(timer.nSlot);
        bool bDone = timer.nCount > 0 && nFired >= static_cast<std::uint64_t>(timer.nCount);
        if (bDone && timer.nSlot >= 0) {
            // Finished: its slot goes back to the board for the next timer.
            RemoveBoardTimer(timer.nSlot);
            timer.nSlot = -1;
            timer.nFinal = nFired;
        }
        bRunning = bRunning || !bDone;
    }
    return bRunning;
}

std::string CTimerList::Text(std::size_t nRow, int nColumn) const {
    if (nRow >= rows.size()) return {};
    const row& timer = rows[nRow];
    switch (nColumn) {
        case kNumber:
            return "#" + std::to_string(timer.nNumber);
        case kInterval:
            return std::to_string(timer.nIntervalMs) + " ms";
        case kCount:
            return timer.nCount < 0 ? "no end" : std::to_string(timer.nCount);
        case kFired: {
            std::uint32_t nFired = Fired(nRow);
            std::string szFired = std::to_string(nFired);
            if (timer.nCount > 0 && nFired >= static_cast<std::uint64_t>(timer.nCount)) {
                szFired += " (done)";
            }
            return szFired;
        }
        default:
            return {};
    }
}

std::string FiringsText(std::uint32_t nFired) {
    return nFired == 1 ? "1 firing" : std::to_string(nFired) + " firings";
}

}  // namespace Tamberon
