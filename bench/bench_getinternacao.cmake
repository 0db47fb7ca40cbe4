# Runs the real server through the test support over the demo hospital.
target_link_libraries(${name} PRIVATE dieta_test_support dieta_server_core)
target_link_libraries(${name} PRIVATE PkgConfig::HTTPLIB)
