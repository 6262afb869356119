# The run tree: bin/ is the working directory of a run, everything else is read relative to it.
add_custom_target(stage ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BRASTEL_STAGE_DIR}/bin
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources ${BRASTEL_STAGE_DIR}/resources
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/shader ${BRASTEL_STAGE_DIR}/shader
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/resources -DSTAGED=${BRASTEL_STAGE_DIR}/resources
            -P ${CMAKE_SOURCE_DIR}/cmake/PruneStage.cmake
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/shader -DSTAGED=${BRASTEL_STAGE_DIR}/shader
            -P ${CMAKE_SOURCE_DIR}/cmake/PruneStage.cmake
    DEPENDS brastel
    COMMENT "Assembling the run tree in ${BRASTEL_STAGE_DIR}")

# Binary data is generated, deterministically; it is remade only when the generator changes.
if(TARGET brastel_datagen)
    set(datagen_stamp ${BRASTEL_STAGE_DIR}/.datagen-stamp)
    add_custom_command(OUTPUT ${datagen_stamp}
        COMMAND brastel_datagen ${BRASTEL_STAGE_DIR}
        COMMAND ${CMAKE_COMMAND} -E touch ${datagen_stamp}
        DEPENDS brastel_datagen
        COMMENT "Generating the show's data")
    add_custom_target(stage_data ALL DEPENDS ${datagen_stamp})
    add_dependencies(stage stage_data)
endif()
