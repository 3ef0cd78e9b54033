function matteCase = readMatteCase(folder, name)
%READMATTECASE The files <name>_image.png, <name>_trimap.png and <name>_alpha.png of a folder.
%   Returns a struct with name, image and trimap as read, and alpha, the true alpha as
%   doubles in [0, 1].
base = fullfile(folder, name);
matteCase.name = name;
matteCase.image = imread([base '_image.png']);
matteCase.trimap = imread([base '_trimap.png']);
alpha = imread([base '_alpha.png']);
alpha = alpha(:, :, 1);
matteCase.alpha = double(alpha) / double(intmax(class(alpha)));
end
