# Writes the resource statements of icon 1 from PNG images, which Windows
# reads inside icons as they are: each image an RT_ICON resource, and the
# RT_GROUP_ICON that lists them, written out as the icon file's directory
# would be. No image tool and no binary file needed:
#   cmake -DOUTPUT=<icon.rc> -DSIZES=<16;32;...> -DIMAGES=<a.png;b.png;...> -P makeicon.cmake
list(LENGTH IMAGES count)
set(icons "")
# Header: reserved, type 1 (icon), count; then per image: width and height
# (0 for 256) as one word, colour count and reserved, planes, bits per pixel,
# byte count (a long), resource id.
set(group "0, 1, ${count}")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET IMAGES ${i} image)
  list(GET SIZES ${i} size)
  file(SIZE ${image} bytes)
  if(size GREATER_EQUAL 256)
    set(size 0)
  endif()
  math(EXPR id "${i} + 1")
  math(EXPR square "${size} + ${size} * 256")
  string(APPEND icons "${id} 3 \"${image}\"\n")
  string(APPEND group ",\n  ${square}, 0, 1, 32, ${bytes}L, ${id}")
endforeach()
file(WRITE ${OUTPUT}.new "${icons}1 14\nBEGIN\n  ${group}\nEND\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
