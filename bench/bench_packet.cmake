target_link_libraries(${name} PRIVATE dieta_platform)
