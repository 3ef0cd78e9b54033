function closedFormMatteTest()
%CLOSEDFORMMATTETEST closedFormMatte against the Python library's closed-form figure
%   on synth1 (SAD 0.151, the repository's own copy of the case), the same matte
%   from a uint8 image and from its double in [0, 1], a trimap with nothing
%   unknown returned as its known alpha, and bad inputs rejected before any work.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  matteCase = readCase(fullfile(root, 'data'), 'synth1');
  alpha = closedFormMatte(matteCase.image, matteCase.trimap);
  sad = matteScores(alpha, matteCase.alpha, matteCase.trimap);
  assert(abs(sad - 0.151) < 5e-4, 'synth1: closed-form SAD %.4f, the library gives 0.151', sad);
  fromDouble = closedFormMatte(double(matteCase.image) / 255, matteCase.trimap);
  assert(isequal(fromDouble, alpha), 'uint8 and double images give different mattes');

  trimap = uint8(255 * (magic(6) > 18));
  image = repmat(reshape([0.2 0.5 0.7], 1, 1, 3), 6, 6);
  assert(isequal(closedFormMatte(image, trimap), double(trimap == 255)), 'no unknown: not the known alpha');

  rgb = rand(6, 6, 3);
  checkRejections({
    'image in 0..255', {255 * rgb, trimap}, 1, 'pairseek:closedFormMatte:imageRange';
    'NaN in the image', {withElement(rgb, 1, NaN), trimap}, 1, 'pairseek:closedFormMatte:imageRange';
    'two channels', {rgb(:, :, 1:2), trimap}, 1, 'pairseek:closedFormMatte:imageSize';
    'double trimap in 0..255', {rgb, double(trimap)}, 1, 'pairseek:closedFormMatte:trimapRange';
    'trimap of another size', {rgb, trimap(1:5, :)}, 1, 'pairseek:closedFormMatte:sizeMismatch'});
end

function matteCase = readCase(folder, name)
  base = fullfile(folder, name);
  matteCase.image = imread([base '_image.png']);
  matteCase.trimap = imread([base '_trimap.png']);
  alpha = imread([base '_alpha.png']);
  matteCase.alpha = double(alpha(:, :, 1)) / 255;
end
