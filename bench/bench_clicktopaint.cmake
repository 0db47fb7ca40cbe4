# Drives the real screen in the real host's main window, in the test support's host
# environment (a real server on demo data).
target_link_libraries(${name} PRIVATE dieta_test_support dieta_host_core dieta_module_core)
