# Prints the camera's two quantisation tables in natural order, the form
# cjpeg's -qtables reads.
ZIGZAG = [0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,
          7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31,
          39, 46, 53, 60, 61, 54, 47, 55, 62, 63]
LUMA = [8, 5, 6, 7, 6, 5, 8, 7, 6, 7, 9, 8, 8, 9, 12, 20, 13, 12, 11, 11, 12, 24, 17, 18, 14, 20, 29, 25, 30, 30,
        28, 25, 28, 27, 32, 36, 46, 39, 32, 34, 43, 34, 27, 28, 40, 54, 40, 43, 47, 49, 51, 52, 51, 31, 38, 56,
        60, 56, 50, 60, 46, 50, 51, 49]
CHROMA = [12, 13, 13, 18, 15, 18, 35, 19, 19, 35, 74, 49, 42, 49] + [74] * 50
for table in (LUMA, CHROMA):
    natural = [0] * 64
    for index, value in enumerate(table):
        natural[ZIGZAG[index]] = value
    for row in range(8):
        print(" ".join(str(v) for v in natural[row * 8:row * 8 + 8]))
    print()
