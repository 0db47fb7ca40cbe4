# Drives the real screen through the screen tests' fixture (a real server on demo data).
if(TARGET dieta_screen_fixture)
  target_link_libraries(${name} PRIVATE dieta_screen_fixture)
else()
  set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
