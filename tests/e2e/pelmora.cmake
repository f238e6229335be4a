# Pelmora.exe itself under Wine.
pelmora_add_wine_scenario(NAME e2e_pelmora_cleanup SCRIPT pelmora_cleanup.sh
  ARGS $<TARGET_FILE:Pelmora> leftovers)
pelmora_add_wine_scenario(NAME e2e_pelmora_cleanup_purge_refused SCRIPT pelmora_cleanup.sh
  ARGS $<TARGET_FILE:Pelmora> queue)
pelmora_add_wine_scenario(NAME e2e_pelmora_steps_2_3 SCRIPT pelmora_install.sh
  ARGS $<TARGET_FILE:Pelmora> ${PELMORA_MEDIA_DIR} ${CMAKE_BINARY_DIR}/screenshots)
pelmora_add_wine_scenario(NAME e2e_pelmora_unattended_remove SCRIPT pelmora_unattended.sh
  ARGS $<TARGET_FILE:Pelmora>)
# The generic "Card Printer" (model 7): its package under names Windows can
# hold.
pelmora_add_wine_scenario(NAME e2e_pelmora_steps_2_3_model7 SCRIPT pelmora_install.sh
  ARGS $<TARGET_FILE:Pelmora> ${PELMORA_MEDIA_DIR} - 7)
