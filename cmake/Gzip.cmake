# SPDX-License-Identifier: MIT
# vorlan_gzip(SOURCE OUTPUT): OUTPUT is SOURCE compressed with gzip -9 at
# build time, without the name and time stamp gzip would store, so that the
# same sources give the same package. Add a target that DEPENDS on OUTPUT.
function(vorlan_gzip source output)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND sh -c "gzip -9n <\"$1\" >\"$2\"" sh ${source} ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()
