# rbx_library(<target> DIR <dir> [QT <components>...] [DEPS <targets>...] [PKG <pkg-config modules>...])
#
# One static library per subsystem directory. Sources are the *.cpp and *.h files
# directly inside DIR; headers are included as "<subsystem>/<dir>/<file>.h" from src/.
# The library logs in the category of its layer, the first folder under src/.
function(rbx_library target)
  cmake_parse_arguments(A "" "DIR" "QT;DEPS;PKG;LIBS" ${ARGN})
  file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}/src" "${CMAKE_CURRENT_SOURCE_DIR}/${A_DIR}")
  string(REGEX MATCH "^[^/]+" layer "${rel}")
  string(SUBSTRING "${layer}" 0 1 first)
  string(SUBSTRING "${layer}" 1 -1 rest)
  string(TOUPPER "${first}" first)
  file(GLOB srcs CONFIGURE_DEPENDS "${A_DIR}/*.cpp" "${A_DIR}/*.h")
  set(qt_targets)
  foreach(c IN LISTS A_QT)
    list(APPEND qt_targets Qt6::${c})
  endforeach()
  list(FILTER srcs INCLUDE REGEX "\\.cpp$")
  if(srcs)
    file(GLOB hdrs CONFIGURE_DEPENDS "${A_DIR}/*.h")
    add_library(${target} STATIC ${srcs} ${hdrs})
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} PUBLIC ${qt_targets} ${A_DEPS} ${A_LIBS})
    target_compile_definitions(${target} PRIVATE
      RUNEBOX_SOURCE_RESOURCES="${RUNEBOX_SOURCE_RESOURCES}" RBX_LOG_LAYER=${first}${rest})
    foreach(p IN LISTS A_PKG)
      string(MAKE_C_IDENTIFIER "${p}" pid)
      pkg_check_modules(PKG_${pid} REQUIRED IMPORTED_TARGET ${p})
      target_link_libraries(${target} PUBLIC PkgConfig::PKG_${pid})
    endforeach()
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} INTERFACE ${qt_targets} ${A_DEPS})
  endif()
endfunction()

# rbx_test(<name> DIR <dir> [GUI] DEPS <targets>...)
#
# One GoogleTest binary per directory of tests/unit; every test case is a CTest test.
# Tests run headless (offscreen platform) in a private home made by the test main.
function(rbx_test name)
  cmake_parse_arguments(A "GUI" "DIR" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS "${A_DIR}/*.cpp")
  if(NOT srcs)
    return()
  endif()
  if(A_GUI)
    set(main "${PROJECT_SOURCE_DIR}/tests/unit/common/test_main_gui.cpp")
    set(qt Qt6::Widgets)
  else()
    set(main "${PROJECT_SOURCE_DIR}/tests/unit/common/test_main_core.cpp")
    set(qt Qt6::Core)
  endif()
  add_executable(${name} ${srcs} ${main})
  target_link_libraries(${name} PRIVATE ${A_DEPS} rbx_testsupport ${qt} GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    RUNEBOX_SOURCE_RESOURCES="${RUNEBOX_SOURCE_RESOURCES}"
    RUNEBOX_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    RUNEBOX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    RUNEBOX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;RUNEBOX_LOG=1;RUNEBOX_RESOURCES=${RUNEBOX_SOURCE_RESOURCES}"
               TIMEOUT 120)
endfunction()
