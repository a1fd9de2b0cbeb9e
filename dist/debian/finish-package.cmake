# Runs inside CPack after the files have been installed into the package's
# staging folder, and turns that install into what Debian wants:
#  - the executable goes to /usr/games, where a package of the games section
#    keeps its programs (a plain `cmake --install` puts it in bin/);
#  - the manual page is gzipped, and the Debian changelog is added gzipped,
#    both with best compression and without a name or time stamp.
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")

function(require path)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "Not in the package's staging folder: ${path}")
  endif()
endfunction()

function(gzip_into source target)
  execute_process(COMMAND gzip -9 -n -c "${source}" OUTPUT_FILE "${target}"
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip ${source} failed: ${result}")
  endif()
  file(CHMOD "${target}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

set(executable "${root}/${CPACK_TAVIK_EXECUTABLE}")
require("${executable}")
file(MAKE_DIRECTORY "${root}/games")
file(RENAME "${executable}" "${root}/games/tavik")
get_filename_component(bin_dir "${executable}" DIRECTORY)
file(GLOB left_in_bin "${bin_dir}/*")
if(NOT left_in_bin)
  file(REMOVE_RECURSE "${bin_dir}")
endif()

set(page "${root}/${CPACK_TAVIK_MANUAL_PAGE}")
require("${page}")
gzip_into("${page}" "${page}.gz")
file(REMOVE "${page}")

gzip_into("${CPACK_TAVIK_CHANGELOG}" "${root}/${CPACK_TAVIK_DOC_DIR}/changelog.Debian.gz")
