# Runs the real server through the test support and seeds its large branch.
target_link_libraries(${name} PRIVATE dieta_test_support)
