# With TARNWICK_LOCAL_UPDATE_PAGE, the update page is http://127.0.0.1:<port>/gxbb.htm, the
# port derived from this build tree's path (20000 to 29999, below the system's ephemeral
# ports). The test fixture "pageserver" and scripts/run.sh serve site/ there.
if(TARNWICK_LOCAL_UPDATE_PAGE)
  string(MD5 tree_hash "${CMAKE_BINARY_DIR}")
  string(SUBSTRING "${tree_hash}" 0 6 tree_hash)
  math(EXPR TARNWICK_UPDATE_PORT "20000 + (0x${tree_hash} % 10000)")
  # A normal variable: it hides the cache entry for this tree, which stays as the distributor set it.
  set(TARNWICK_UPDATE_URL "http://127.0.0.1:${TARNWICK_UPDATE_PORT}/gxbb.htm")
  message(STATUS "Update page: ${TARNWICK_UPDATE_URL} (local page server)")
  # For scripts/run.sh.
  file(WRITE ${CMAKE_BINARY_DIR}/update-port "${TARNWICK_UPDATE_PORT}\n")
else()
  file(REMOVE ${CMAKE_BINARY_DIR}/update-port)
endif()
