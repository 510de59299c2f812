#pragma once

#include "app/ModalDialog.h"
#include "optimize/IOptimizeRunHost.h"
#include "optimize/OptimizeRun.h"
#include "optimize/RouteTable.h"
#include "skin/ScopedBitmap.h"
#include "skin/SkinButton.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CSkinLayout;

// The program's one window: the background picture, the start and restore buttons and the
// log pane. It owns the three route tables and carries out what a run asks of its window.
class COptimizeDlg : public CModalDialog, private IOptimizeRunHost {
public:
    COptimizeDlg() noexcept;

    // Makes HOSTS map the table's host names to its address, or with bRestore takes them out;
    // true when the file now holds the edit.
    [[nodiscard]] bool RewriteHostsFile(const CRouteTable& routeTable, BOOL bRestore) noexcept;

protected:
    BOOL OnInitDialog() noexcept override;
    bool OnPaint() noexcept override;
    HICON OnQueryDragIcon() noexcept override;
    HBRUSH OnCtlColorStatic(HDC hdc, HWND hControl) noexcept override;
    bool OnDrawItem(const DRAWITEMSTRUCT& item) noexcept override;
    bool OnCommand(WORD nID, WORD nCode) noexcept override;

private:
    [[nodiscard]] bool DoDataExchange() noexcept;
    void BuildRouteTables();
    void LayOutForDisplayScale();
    void LayOutPictureTexts(const CSkinLayout& layout) noexcept;
    void OnOptimize() noexcept;
    void OnRestore() noexcept;
    void PostCommandAgain(WORD nID, WORD nCode) noexcept;
    void RaiseLogLimit(std::size_t nLength, std::size_t nAdded) noexcept;

    void DisableStartButton() override;
    std::int32_t MeasureRoundTrip(const char* szHost) override;
    void Pause(unsigned milliseconds) override;
    void AppendLog(const std::string& text) override;
    [[nodiscard]] bool ApplyRouteTable(const CRouteTable& routeTable) override;

    CSkinButton m_btnRestore;
    CSkinButton m_btnStart;
    HWND m_editLog = nullptr;
    HICON m_hIcon;
    CScopedBitmap m_bmpBackground;
    CRouteTable m_routeTable1;
    CRouteTable m_routeTable2;
    CRouteTable m_routeTable3;
    // The program's one run, which alone decides whether a start command starts it.
    COptimizeRun m_run;
};
