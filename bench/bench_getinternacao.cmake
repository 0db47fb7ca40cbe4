# Runs the real server through the test fixture over the demo hospital.
if(TARGET dieta_test_support)
  target_link_libraries(${name} PRIVATE dieta_test_support dieta_server_core)
else()
  set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
