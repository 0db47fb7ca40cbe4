# Runs the real server through the test fixture and seeds its large branch.
if(TARGET dieta_test_support AND TARGET dieta_dialog_fixture)
  target_link_libraries(${name} PRIVATE dieta_dialog_fixture dieta_test_support dieta_server_core)
else()
  set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
