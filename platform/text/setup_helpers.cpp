#include "platform/setup_api.h"

namespace platform {

Win32Error list_system_inf_files(SetupApi& setup_api, Shell& shell, std::uint32_t style,
                                 std::u16string* list, std::u16string* windows_folder) {
  *windows_folder = shell.system_windows_directory();
  if (auto error = setup_api.get_inf_file_list({}, style, list)) return error;
  // Wine reports a list of its one closing zero: no name in it.
  const bool named = list->find_first_not_of(u'\0') != std::u16string::npos;
  if (named || windows_folder->empty()) return kErrorSuccess;
  return setup_api.get_inf_file_list(*windows_folder + u"\\INF", style, list);
}

}  // namespace platform
