// Step 2 of the wizard: the system preparation (USB printing class files,
// the card paper form, the driver package and plug-in under Program Files,
// the monitor's autorun) and the pre-install worker that puts the driver
// package into the driver store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/platform.h"

namespace pelmora {

class StepContext;
class InstallLog;
class PreinstallReport;

bool RunPreparationStep(StepContext& context);
bool CheckSystemFiles(StepContext& context);
bool CheckPapers(StepContext& context);
bool PreinstallDriverPackage(StepContext& context);
platform::Win32Error RegisterMonitorAutorun(StepContext& context);
bool StartPreinstallWorker(StepContext& context);
bool IsCardSizeForm(std::uint32_t width, std::uint32_t height);

// What the worker thread needs; nothing of it belongs to the installer's
// window or run, which may be gone before the worker ends.
struct PreinstallWorkerContext {
  platform::Platform* platform;
  std::shared_ptr<PreinstallReport> report;  // its success, its boxes, the process's end
  std::u16string installerDirectory;
  std::shared_ptr<InstallLog> log;  // the installation log
};
void PreinstallWorker(const PreinstallWorkerContext& context);

// The DIFx pre-install command line, written before the worker starts and
// only read by it.
inline constexpr std::size_t kPreinstallCommandChars = 1024;
extern char16_t g_preinstallCommand[kPreinstallCommandChars];

inline constexpr char16_t kCr80FormName[] = u"CR80 54.0 x 86.0 mm";
inline constexpr std::int32_t kCr80Width = 53848;
inline constexpr std::int32_t kCr80Height = 85683;
// EnumFormsW is given one buffer of this size, and the forms to add again
// are held in as much.
inline constexpr std::size_t kFormsBufferBytes = 1 << 20;
inline constexpr char16_t kProgramName[] = u"Pelmora";

}  // namespace pelmora
