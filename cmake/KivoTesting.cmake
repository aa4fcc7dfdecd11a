# kivo_add_test(NAME name SOURCES ... LIBS ... [GUI])
# One test executable per area; GUI tests run on the offscreen platform.
include(GoogleTest)
function(kivo_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(T_GUI)
    set(labels gui)
    set(env "QT_QPA_PLATFORM=offscreen")
  else()
    set(labels core)
    set(env "")
  endif()
  gtest_discover_tests(${T_NAME}
    PROPERTIES LABELS "${labels}" ENVIRONMENT "${env};LC_ALL=C"
    DISCOVERY_TIMEOUT 60)
endfunction()
