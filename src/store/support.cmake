# Reader of the support-table sources under data/support/ and the label
# geometry checks. Plain C++ on top of the engine core, no Qt, so the
# installer and the label dialog can both use it.
add_library(qvsupport STATIC
  ${CMAKE_CURRENT_LIST_DIR}/support_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/label_geometry.cpp)
target_include_directories(qvsupport PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(qvsupport PUBLIC xbase_core)
