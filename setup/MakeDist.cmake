# Builds the distribution folder: every file packed with lzpack under its
# packaged name (the last letter of the extension replaced by "_"), the
# machine list and the setup program beside them. Machine n is the n-th row
# of data/MCN_LIST.DAT, the order setup's machine table knows them in.
#
# cmake -DLZPACK=... -DPROGRAM=... -DSETUP=... -DSOURCE_DIR=... -DDIST_DIR=... -P MakeDist.cmake
foreach(var LZPACK PROGRAM SETUP SOURCE_DIR DIST_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeDist.cmake needs -D${var}=...")
  endif()
endforeach()

function(pack source packaged)
  execute_process(COMMAND ${LZPACK} ${source} ${DIST_DIR}/${packaged} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "lzpack failed on ${source}")
  endif()
endfunction()

file(REMOVE_RECURSE ${DIST_DIR})
file(MAKE_DIRECTORY ${DIST_DIR})

pack(${PROGRAM} RV_Tune.ex_)
pack(${SOURCE_DIR}/app/gui/splash/RV_Tune.bmp RV_Tune.bm_)
pack(${SOURCE_DIR}/app/gui/splash/RV_TuneFc.bmp RV_TuneFC.bm_)

file(STRINGS ${SOURCE_DIR}/data/MCN_LIST.DAT rows)
set(n 0)
foreach(row IN LISTS rows)
  string(REPLACE "," ";" fields "${row}")
  list(GET fields 2 code)
  math(EXPR n "${n} + 1")
  pack(${SOURCE_DIR}/data/${code}/RV_Tune.INI S${n}RV_Tune.in_)
  pack(${SOURCE_DIR}/data/${code}/RV_Tune.STZ S${n}RV_Tune.st_)
  pack(${SOURCE_DIR}/data/${code}/WORK/${code}.qsd S${n}Stddata.qs_)
endforeach()
if(NOT n EQUAL 6)
  message(FATAL_ERROR "data/MCN_LIST.DAT lists ${n} machines; setup installs six")
endif()

file(COPY ${SOURCE_DIR}/data/MCN_LIST.DAT DESTINATION ${DIST_DIR})
file(COPY ${SETUP} DESTINATION ${DIST_DIR} FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
message(STATUS "Distribution folder: ${DIST_DIR}")
