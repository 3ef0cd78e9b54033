function hostsAgreeTest(rawMatte)
%HOSTSAGREETEST pairMatte in Octave gives the C++ API's alpha, bit for bit, on the
%   sample case with two seeds. rawMatte: the path of the test tool that runs the
%   C++ API on raw files.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  image = imread(fullfile(root, 'data', 'synth1_image.png'));
  trimap = imread(fullfile(root, 'data', 'synth1_trimap.png'));
  input = [tempname() '.raw'];
  output = [tempname() '.raw'];
  cleanup = onCleanup(@() cellfun(@(f) exist(f, 'file') && delete(f), {input, output}));
  f = fopen(input, 'w');
  fwrite(f, int32(size(trimap)), 'int32');
  fwrite(f, image, 'uint8');
  fwrite(f, trimap, 'uint8');
  fclose(f);
  for seed = [1 12345]
    [status, text] = system(sprintf('"%s" "%s" "%s" %d', rawMatte, input, output, seed));
    assert(status == 0, 'rawMatte failed: %s', text);
    f = fopen(output, 'r');
    fromApi = reshape(fread(f, Inf, 'double'), size(trimap));
    fclose(f);
    alpha = pairMatte(image, trimap, 'Seed', seed);
    assert(isequal(alpha, fromApi), 'seed %d: Octave and the C++ API differ by up to %g', seed, ...
           max(abs(alpha(:) - fromApi(:))));
  end
  fprintf('hostsAgreeTest: passed\n');
end
