# The folder table of README.md is the one list of the arrows between the
# folders of src/, and the build links by it. This holds it to the code: a
# folder's "uses" column names exactly the other folders whose headers it
# includes, so that an arrow no longer used does not stay allowed, and no
# folder leans on headers it sees only through another folder's arrows. It
# also feeds the table reader broken tables, each of which must stop the
# build with its reason.
#   cmake -DSOURCE=<repository> -DWORK=<scratch folder> -P tests/folders.cmake
cmake_minimum_required(VERSION 3.16)
include(${SOURCE}/cmake/folders.cmake)

set(failures "")

gstboot_read_folders(${SOURCE}/README.md ${SOURCE}/src ARROWS)
if(ARROWS_ERROR)
  message(FATAL_ERROR "${ARROWS_ERROR}")
endif()
foreach(folder IN LISTS ARROWS_FOLDERS)
  file(GLOB_RECURSE sources ${SOURCE}/src/${folder}/*.h ${SOURCE}/src/${folder}/*.cpp)
  set(included "")
  foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^#include \"[a-z]+/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" other "${line}")
      if(NOT other STREQUAL folder AND other IN_LIST ARROWS_FOLDERS)
        list(APPEND included ${other})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES included)
  foreach(other IN LISTS included)
    if(NOT other IN_LIST ARROWS_USES_${folder})
      string(APPEND failures "src/${folder} includes headers of src/${other}, which its row of README.md's table does not list\n")
    endif()
  endforeach()
  foreach(other IN LISTS ARROWS_USES_${folder})
    if(NOT other IN_LIST included)
      string(APPEND failures "src/${folder} lists ${other} in README.md's table but includes none of its headers: the arrow can go\n")
    endif()
  endforeach()
endforeach()

# Broken tables, over a src/ of three folders a, b and c. Each case is the
# table's rows and what the reason must say; an empty reason is a table that
# must be read, with the uses it must give c.
set(src ${WORK}/src)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${src}/a ${src}/b ${src}/c)
set(good "| `src/a` | x | nothing |\n| `src/b` | x | a |")
set(cases
  "${good}\n| `src/c` | the a, b | b, a |=>"
  "${good}\n| `src/c` | x | a, d |=>src/c uses d, which is no folder of src/"
  "| `src/a` | x | b |\n| `src/b` | x | nothing |\n| `src/c` | x | a |=>src/a uses b, which is not above it"
  "${good}\n| `src/c` | x | c |=>src/c uses c, which is not above it"
  "${good}=>src/c has no row"
  "| `src/a` | x | nothing |\n| `src/c` | x | a, b |=>src/c uses b, but src/b has no row"
  "${good}\n| `src/c` | x | a |\n| `src/d` | x | a |=>names src/d, which does not exist"
  "${good}\n| `src/c` | x |  |=>does not read"
  "${good}\n| `src/b` | x | a |=>src/b has two rows"
  "=>has no row"
)
foreach(case IN LISTS cases)
  string(FIND "${case}" "=>" at)
  string(SUBSTRING "${case}" 0 ${at} rows)
  math(EXPR at "${at} + 2")
  string(SUBSTRING "${case}" ${at} -1 reason)
  file(WRITE ${WORK}/README.md "## Development\n\n| folder | holds | uses |\n|---|---|---|\n${rows}\n\nText after.\n")
  gstboot_read_folders(${WORK}/README.md ${src} T)
  if(reason STREQUAL "")
    if(T_ERROR OR NOT T_FOLDERS STREQUAL "a;b;c" OR NOT T_USES_c STREQUAL "b;a")
      string(APPEND failures "the table\n${rows}\nread as folders '${T_FOLDERS}', c uses '${T_USES_c}', error '${T_ERROR}'\n")
    endif()
  else()
    string(FIND "${T_ERROR}" "${reason}" at)
    if(at EQUAL -1)
      string(APPEND failures "the table\n${rows}\ngave '${T_ERROR}', not a reason with '${reason}'\n")
    endif()
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
