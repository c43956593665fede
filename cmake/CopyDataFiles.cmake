# Copies the program folder's data files into DESTINATION; kalore.ini only when it
# is not there yet, since it holds the user's settings.
string(REPLACE "|" ";" files "${SOURCES}")
foreach(file ${files})
    get_filename_component(name ${file} NAME)
    if(name STREQUAL "kalore.ini" AND EXISTS ${DESTINATION}/${name})
        continue()
    endif()
    file(COPY ${file} DESTINATION ${DESTINATION})
endforeach()
