# Tessaly.exe under Wine: the balloon, the tray menu, the single instance and
# the stored mode; tesshook.dll's clicks.
add_executable(tessaly_queues tessaly_queues.c)
target_link_options(tessaly_queues PRIVATE -municode)
target_link_libraries(tessaly_queues PRIVATE windows_preamble winspool)

# Posts a real click through the hook: the probe window counts the
# registered messages it gets.
add_executable(tesshook_probe tesshook_probe.c)
target_link_options(tesshook_probe PRIVATE -municode)
target_link_libraries(tesshook_probe PRIVATE tesshook)

# The time a click takes to reach a window, for the hook's added delay
# (bench/tessaly_click_delay.sh).
add_executable(click_delay click_delay.c)
target_link_options(click_delay PRIVATE -municode)
target_link_libraries(click_delay PRIVATE windows_preamble)

# The shell around the monitor: its notification area, the work area, DPI.
add_executable(tessaly_shell tessaly_shell.c)
target_link_options(tessaly_shell PRIVATE -municode)
target_link_libraries(tessaly_shell PRIVATE windows_preamble shell32 user32 gdi32)

pelmora_add_wine_scenario(NAME tessaly_tray_wine SCRIPT tessaly_tray.sh
  ARGS $<TARGET_FILE:Tessaly> $<TARGET_FILE:tessaly_queues> $<TARGET_FILE:tesshook>)
pelmora_add_wine_scenario(NAME tessaly_desktop_wine SCRIPT tessaly_desktop.sh
  ARGS $<TARGET_FILE:Tessaly> $<TARGET_FILE:tessaly_queues> $<TARGET_FILE:tesshook>
       $<TARGET_FILE:tessaly_shell>)
pelmora_add_wine_scenario(NAME tesshook_wine SCRIPT tesshook.sh
  ARGS $<TARGET_FILE:tesshook_probe> $<TARGET_FILE:tesshook>)

# The status poll against Wine's spooler (run by bench/tessaly_wine_bench.sh;
# a measurement, not a test).
add_executable(tessaly_wine_bench ${PROJECT_SOURCE_DIR}/bench/tessaly_wine_bench.cpp)
target_link_libraries(tessaly_wine_bench PRIVATE monitor_core platform_win32)

# Tessaly.exe binds the hook library at load time: its import table names it.
add_test(NAME tessaly_imports_tesshook
  COMMAND sh -c "'${CMAKE_OBJDUMP}' -p '$<TARGET_FILE:Tessaly>' | grep -q 'DLL Name: tesshook.dll'")
