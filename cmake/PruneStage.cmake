# cmake -DSOURCE=<folder> -DSTAGED=<folder> -P PruneStage.cmake
# Removes from a run-tree folder the files its source folder no longer has, so that a shader
# removed from the sources goes from the run tree too.
file(GLOB_RECURSE staged RELATIVE ${STAGED} ${STAGED}/*)
foreach(name IN LISTS staged)
    if(NOT EXISTS ${SOURCE}/${name})
        file(REMOVE ${STAGED}/${name})
    endif()
endforeach()
