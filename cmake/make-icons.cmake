# Cuts the kart out of a screenshot of the scene and writes it at each
# icon size: cmake -DCONVERT=... -DSOURCE=JPG -DOUT=DIR -DSIZES="16;32" -P make-icons.cmake
foreach(size ${SIZES})
  file(MAKE_DIRECTORY ${OUT}/${size})
  execute_process(
    COMMAND ${CONVERT} ${SOURCE} -crop 300x300+250+290 +repage
            -resize ${size}x${size} -strip PNG32:${OUT}/${size}/merrowind.png
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot write the ${size} px icon")
  endif()
endforeach()
