# The driver-package tool under Wine.
pelmora_add_wine_scenario(NAME e2e_difxcmd SCRIPT difxcmd.sh
  ARGS $<TARGET_FILE:DIFxCmd> ${PELMORA_MEDIA_DIR})
