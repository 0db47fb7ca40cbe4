# Runs the real server through the test support; its floor is the bareserver program.
target_link_libraries(${name} PRIVATE dieta_test_support PkgConfig::HTTPLIB)
add_dependencies(${name} bareserver)
